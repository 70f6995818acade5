// The first double-click after a start, under each window manager: twenty
// fresh starts in a row, each double-clicked once on a lamp the moment the
// main window stands at its place, every one opening the About window. The
// window managers grab a press on a window that is not focused yet, to focus
// it, and mutter 48 now and then keeps such a press for itself.
#include "app/main_design.h"
#include "platform/twips.h"
#include "x11_test_support.h"

namespace {

using namespace testing_support;

constexpr int kStarts = 20;

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
  TemporaryFolder config_;
};

TEST_P(FirstDoubleClick, OpensTheAboutWindowInEveryOneOfTwentyFreshStarts) {
  WriteFile(IniPath(config_.Path()), "[Settings]\nAboutLeft=3000\nAboutTop=4500\n");
  const int corner = platform::TwipsToPixels(1000, kTwipsPerPixel);
  int opened = 0;
  for (int start = 1; start <= kStarts; ++start) {
    SCOPED_TRACE("start " + std::to_string(start));
    // The pointer comes from elsewhere each time, as a user's does.
    ASSERT_EQ(
        RunCommand({"env", "DISPLAY=" + server_.Display(), "xdotool", "mousemove", "1000", "700"}),
        0);
    ProgramProcess program(server_.Display(), config_.Path());
    const xcb_window_t main = program.WaitForMainWindow(x_, /*framed=*/true);
    ASSERT_NE(main, XCB_NONE);
    // Where the frame is learnt only after mapping, the window moves once to
    // stand at its place: the lamp is clicked there.
    ASSERT_TRUE(WaitUntil(
        [&] {
          const std::optional<Rect> outer = x_.OuterFrame(main);
          return outer && outer->x == corner && outer->y == corner;
        },
        10s));
    const Point lamp = ControlRect(x_, main, app::MainWindowDesign(), "VARN_LABEL_4").Centre();
    ASSERT_TRUE(DoubleClickOnAChild(x_, main, lamp));
    if (WaitUntil([&] { return x_.WindowOf(program.Pid(), "VARN-ON") != XCB_NONE; }, 8s)) {
      ++opened;
    } else {
      ADD_FAILURE() << "the double-click did not open the About window";
    }
    program.Terminate();
    EXPECT_TRUE(program.Ended(10s)) << program.Outcome();
    EXPECT_TRUE(program.EndedWithStatus(0)) << program.Outcome();
  }
  EXPECT_EQ(opened, kStarts) << GetParam() << ": " << opened << " of " << kStarts
                             << " first double-clicks opened the About window";
}

INSTANTIATE_TEST_SUITE_P(Desktops, FirstDoubleClick,
                         testing::Values("openbox", "xfwm4", "metacity", "mutter", "kwin"),
                         [](const testing::TestParamInfo<const char*>& info) {
                           return std::string(info.param);
                         });

}  // namespace
