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
#include "app/main_design.h"
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

class FirstDoubleClick : public OnADesk {};

TEST_P(FirstDoubleClick, OpensTheAboutWindowInEveryOneOfTwentyFreshStarts) {
  const Point far_away{5, 700};
  Point lamp{};
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
    ASSERT_TRUE(OuterReaches(main, Pixels(1000), Pixels(1000)));
    lamp = ControlRect(x_, main, app::MainWindowDesign(), "VARN_LABEL_4").Centre();
    ASSERT_TRUE(MovePointerTo(x_, lamp));
    if (approach.pause_on_the_lamp) {
      std::this_thread::sleep_for(500ms);  // a person's pause, not a wait
    }
    ASSERT_TRUE(DoubleClickOnAChild(x_, main, lamp));
    EXPECT_TRUE(WaitUntil([&] { return x_.WindowOf(program.Pid(), "VARN-ON") != XCB_NONE; }, 30s))
        << "the double-click did not open the About window; the program said: " << program.Stderr();
    program.Terminate();
    EXPECT_TRUE(program.Ended(30s)) << program.Outcome();
    EXPECT_TRUE(program.EndedWithStatus(0)) << program.Outcome();
  }
}

// A client standing in for a window manager that grabs the left button on
// the program's window to focus it, the way they all do, and then either
// hands each press on or keeps it, as late as it pleases.
class FocusGrab {
 public:
  FocusGrab(const std::string& display, xcb_window_t window)
      : c_(xcb_connect(display.c_str(), nullptr)) {
    xcb_generic_error_t* error = xcb_request_check(
        c_, xcb_grab_button_checked(c_, 0, window, XCB_EVENT_MASK_BUTTON_PRESS, XCB_GRAB_MODE_SYNC,
                                    XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE, XCB_BUTTON_INDEX_1,
                                    XCB_MOD_MASK_ANY));
    ok_ = xcb_connection_has_error(c_) == 0 && error == nullptr;
    std::free(error);
  }
  ~FocusGrab() { xcb_disconnect(c_); }
  FocusGrab(const FocusGrab&) = delete;
  FocusGrab& operator=(const FocusGrab&) = delete;

  bool Ok() const { return ok_; }
  // Waits for the grab to take the next press; the pointer stays frozen,
  // later presses and releases waiting in the server, until HandOn or Keep.
  bool TookAPress() {
    return WaitUntil(
        [&] {
          while (xcb_generic_event_t* event = xcb_poll_for_event(c_)) {
            const bool press = (event->response_type & 0x7F) == XCB_BUTTON_PRESS;
            std::free(event);
            if (press) {
              return true;
            }
          }
          return false;
        },
        30s);
  }
  void HandOn() { Allow(XCB_ALLOW_REPLAY_POINTER); }
  void Keep() { Allow(XCB_ALLOW_ASYNC_POINTER); }  // the grab lasts until the release

 private:
  void Allow(xcb_allow_t what) {
    xcb_allow_events(c_, what, XCB_CURRENT_TIME);
    xcb_flush(c_);
  }

  xcb_connection_t* c_;
  bool ok_ = false;
};

enum class Grabbed { HandedOn, HandedOnLate, Kept };

struct GrabCase {
  Grabbed first, second;
  const char* name;
};

class DoubleClickThroughAFocusGrab : public testing::TestWithParam<GrabCase> {
 protected:
  PrivateXServer server_;
  DisplayClient x_{server_.Display()};
  TemporaryFolder config_;
};

// Both presses of the double-click are taken by the grab; the About window
// opens however the grab deals with them. Late, the grab hands the first
// press on once the whole double-click waits in the server, and takes the
// second with a time later than its own by more than the double-click time.
TEST_P(DoubleClickThroughAFocusGrab, StillOpensTheAboutWindow) {
  ASSERT_FALSE(server_.Display().empty()) << "could not start Xvfb";
  ProgramProcess program(server_.Display(), config_.Path());
  const xcb_window_t main = program.WaitForMainWindow(x_, /*framed=*/false);
  ASSERT_NE(main, XCB_NONE);
  FocusGrab grab(server_.Display(), main);
  ASSERT_TRUE(grab.Ok());
  const Point lamp = ControlRect(x_, main, app::MainWindowDesign(), "VARN_LABEL_4").Centre();
  ASSERT_TRUE(DoubleClickOnAChild(x_, main, lamp));
  for (const Grabbed what : {GetParam().first, GetParam().second}) {
    ASSERT_TRUE(grab.TookAPress());
    if (what == Grabbed::HandedOnLate) {
      std::this_thread::sleep_for(700ms);  // the window manager's lateness, not a wait
    }
    what == Grabbed::Kept ? grab.Keep() : grab.HandOn();
  }
  EXPECT_TRUE(WaitUntil([&] { return x_.WindowOf(program.Pid(), "VARN-ON") != XCB_NONE; }, 30s))
      << GetParam().name << ": the double-click did not open the About window";
  program.Terminate();
  EXPECT_TRUE(program.Ended(30s)) << program.Outcome();
}

INSTANTIATE_TEST_SUITE_P(
    Grabs, DoubleClickThroughAFocusGrab,
    testing::Values(GrabCase{Grabbed::HandedOn, Grabbed::HandedOn, "HandedOn"},
                    GrabCase{Grabbed::HandedOnLate, Grabbed::HandedOn, "HandedOnLate"},
                    GrabCase{Grabbed::Kept, Grabbed::HandedOn, "FirstKept"},
                    GrabCase{Grabbed::Kept, Grabbed::Kept, "BothKept"}),
    [](const testing::TestParamInfo<GrabCase>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(Desktops, FirstDoubleClick,
                         testing::Values(Desk{"openbox"}, Desk{"xfwm4"}, Desk{"metacity"},
                                         Desk{"mutter"}, Desk{"kwin"}),
                         DeskName);

}  // namespace
