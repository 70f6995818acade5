// The first double-click after a start, under each window manager, given as
// a person gives it: twenty fresh starts, each with a settings folder of its
// own, the pointer either resting where the lamp will appear or brought from
// far away, and the double-click given the moment the pointer stands on the
// lamp or after half a second there. Every one opens the About window.
//
// The window managers grab a press on a window that is not focused yet, to
// focus it, and mutter 48 now and then keeps such a press for itself. The
// program's window is found by its process, not by its title alone: under
// GNOME 48 the frame around it, drawn by mutter's own frames client, carries
// the same title, and a double-click aimed at that lands in the title bar.
#include <thread>

#include "app/main_design.h"
#include "platform/twips.h"
#include "x11_test_support.h"

namespace {

using namespace testing_support;

constexpr int kStarts = 20;

struct Approach {
  bool pointer_rests_on_the_lamp;  // else it comes from the screen's far corner
  bool pause_on_the_lamp;          // half a second before the double-click
  const char* name;
};

// The first start learns where the lamp appears, so it comes from far away.
constexpr Approach kApproaches[] = {
    {false, false, "from far away, at once"},
    {false, true, "from far away, after half a second"},
    {true, false, "resting on the lamp, at once"},
    {true, true, "resting on the lamp, after half a second"},
};

class FirstDoubleClick : public testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    ASSERT_FALSE(server_.Display().empty()) << "could not start Xvfb";
    ASSERT_TRUE(x_.Ok());
    manager_.emplace(GetParam(), server_.Display());
    ASSERT_TRUE(manager_->Ok()) << GetParam() << " did not start";
  }

  PrivateXServer server_;
  DisplayClient x_{server_.Display()};
  std::optional<WindowManager> manager_;
};

TEST_P(FirstDoubleClick, OpensTheAboutWindowInEveryOneOfTwentyFreshStarts) {
  const int corner = platform::TwipsToPixels(1000, kTwipsPerPixel);
  const Point far_away{5, 700};
  Point lamp{};
  int opened[std::size(kApproaches)] = {};
  for (int start = 0; start < kStarts; ++start) {
    const Approach& approach = kApproaches[start % std::size(kApproaches)];
    SCOPED_TRACE("start " + std::to_string(start + 1) + ", " + approach.name);
    ASSERT_TRUE(MovePointerTo(x_, approach.pointer_rests_on_the_lamp ? lamp : far_away));
    TemporaryFolder config;
    ProgramProcess program(server_.Display(), config.Path());
    const xcb_window_t main = program.WaitForMainWindow(x_, /*framed=*/true);
    ASSERT_NE(main, XCB_NONE);
    // Where the frame is learnt only after mapping, the window moves once to
    // stand at its place: the lamp is clicked there.
    ASSERT_TRUE(WaitUntil(
        [&] {
          const std::optional<Rect> outer = x_.OuterFrame(main);
          return outer && outer->x == corner && outer->y == corner;
        },
        30s));
    lamp = ControlRect(x_, main, app::MainWindowDesign(), "VARN_LABEL_4").Centre();
    ASSERT_TRUE(MovePointerTo(x_, lamp));
    if (approach.pause_on_the_lamp) {
      std::this_thread::sleep_for(500ms);  // a person's pause, not a wait
    }
    ASSERT_TRUE(DoubleClickOnAChild(x_, main, lamp));
    if (WaitUntil([&] { return x_.WindowOf(program.Pid(), "VARN-ON") != XCB_NONE; }, 30s)) {
      ++opened[start % std::size(kApproaches)];
    } else {
      ADD_FAILURE() << "the double-click did not open the About window";
    }
    program.Terminate();
    EXPECT_TRUE(program.Ended(30s)) << program.Outcome();
    EXPECT_TRUE(program.EndedWithStatus(0)) << program.Outcome();
  }
  for (std::size_t i = 0; i < std::size(kApproaches); ++i) {
    EXPECT_EQ(opened[i], kStarts / static_cast<int>(std::size(kApproaches)))
        << GetParam() << ", " << kApproaches[i].name << ": " << opened[i]
        << " first double-clicks opened the About window";
  }
}

INSTANTIATE_TEST_SUITE_P(Desktops, FirstDoubleClick,
                         testing::Values("openbox", "xfwm4", "metacity", "mutter", "kwin"),
                         [](const testing::TestParamInfo<const char*>& info) {
                           return std::string(info.param);
                         });

}  // namespace
