// The program's own timers doing their work on real X servers, the real
// program run as a user runs it: the always-on-top keeper on the desktop in
// DISPLAY (Xvfb with openbox), and the lamps, Num Lock presses and the keeper
// on private servers with no window manager, with no XTEST and with no idle
// clock.
#include "platform/x11/connection/x11_display.h"
#include "platform/x11/stacking/x11_stacking.h"
#include "x11_test_support.h"

namespace {

using namespace testing_support;
using Clock = std::chrono::steady_clock;

// Another program's window, mapped, taken on by the window manager and
// made the active window.
xcb_window_t ActiveWindow(const DisplayClient& x, int left, int top,
                          std::chrono::milliseconds limit) {
  const xcb_window_t window = x.MakeWindow(left, top);
  EXPECT_TRUE(WaitUntil([&] { return x.Framed(window); }, limit));
  x.SendToWindowManager(window, "_NET_ACTIVE_WINDOW", {2, XCB_CURRENT_TIME, 0, 0, 0});
  return window;
}

bool Above(const DisplayClient& x, xcb_window_t window) {
  return x.Has(window, "_NET_WM_STATE", "_NET_WM_STATE_ABOVE");
}

// Another program's window made active and always on top in place of ours,
// as the keeper finds it at its next tick.
xcb_window_t OtherAboveOurs(const DisplayClient& x, xcb_window_t ours) {
  const xcb_window_t other = ActiveWindow(x, 400, 300, 15s);
  EXPECT_TRUE(WaitUntil([&] { return x.ActiveIs(other); }, 15s));
  for (const auto& [window, above] : {std::pair{ours, 0u}, std::pair{other, 1u}}) {
    x.SendToWindowManager(window, "_NET_WM_STATE", {above, x.Atom("_NET_WM_STATE_ABOVE"), 0, 2, 0});
  }
  EXPECT_TRUE(WaitUntil([&] { return Above(x, other) && !Above(x, ours); }, 3s));
  return other;
}

// With no window manager, another window put on top; true once the keeper
// has raised ours over it.
bool RaisedOverANewWindow(const DisplayClient& x, xcb_window_t ours) {
  const xcb_window_t other = x.MakeWindow(400, 300);  // clear of the lamps
  const bool on_top = WaitUntil(
      [&] {
        x.Raise(other);
        return x.TopViewableWindow() == other;
      },
      5s);
  return on_top && WaitUntil([&] { return x.TopViewableWindow() == ours; }, 3s);
}

using SharedDesktop = OnTheDesktop;

// The keeper may promote a window of ours that is not mapped yet: the window
// manager puts it in the always-on-top band once it takes it on.
TEST_F(SharedDesktop, AWindowMappedAfterTheKeepersTickIsAlwaysOnTop) {
  platform::x11::Display display;
  ASSERT_TRUE(display.Ok());
  xcb_connection_t* c = display.Connection();
  const xcb_window_t window = xcb_generate_id(c);
  xcb_create_window(c, XCB_COPY_FROM_PARENT, window, display.Root(), 300, 300, 120, 60, 0,
                    XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
  bool mapped = false;
  platform::x11::X11Stacking stacking(display, [&](xcb_window_t id) {
    return id == window ? std::optional(mapped) : std::nullopt;
  });
  stacking.SetWindowPos(window, platform::HWND_TOPMOST, 0, 0, 0, 0, 3);
  mapped = true;
  xcb_map_window(c, window);
  xcb_flush(c);
  EXPECT_TRUE(WaitUntil([&] { return x_.Framed(window) && Above(x_, window); }, 15s));
}  // the window goes with the connection

// The keeper takes the always-on-top state from the active window at its
// tick, moving neither window nor taking the focus. It asks who is in front
// and then demotes that window: windows that vanish just before a tick must
// neither crash the program nor make it talk.
TEST_F(SharedDesktop, TakesAlwaysOnTopFromTheActiveWindowAndVanishingWindowsAreHarmless) {
  ProgramProcess program(display_, config_.Path());
  const xcb_window_t ours = program.WaitForMainWindow(x_, /*framed=*/true);
  ASSERT_NE(ours, XCB_NONE);
  const xcb_window_t other = OtherAboveOurs(x_, ours);
  const auto our_place = x_.OuterFrame(ours);
  const auto other_place = x_.OuterFrame(other);
  ASSERT_TRUE(our_place && other_place);
  ASSERT_TRUE(WaitUntil([&] { return !Above(x_, other) && Above(x_, ours); }, 3s))
      << "the program did not take the always-on-top state over";
  // The keeper's tick is when it demotes the active window.
  const Clock::time_point tick = Clock::now();
  EXPECT_EQ(x_.OuterFrame(ours), our_place);
  EXPECT_EQ(x_.OuterFrame(other), other_place);
  EXPECT_TRUE(x_.ActiveIs(other)) << "the program took the focus";
  x_.DestroyWindow(other);

  // Each round destroys the active window a little closer to the tick.
  constexpr std::array<int, 6> kLeadMilliseconds = {40, 20, 8, 3, 1, 0};
  int destroyed_while_active = 0;
  for (std::size_t round = 0; round < kLeadMilliseconds.size(); ++round) {
    const Clock::time_point next_tick = tick + std::chrono::seconds(round + 1);
    std::this_thread::sleep_until(next_tick - 700ms);
    const xcb_window_t doomed = ActiveWindow(x_, 200 + 40 * static_cast<int>(round), 250, 500ms);
    destroyed_while_active += WaitUntil([&] { return x_.ActiveIs(doomed); }, 500ms) ? 1 : 0;
    std::this_thread::sleep_until(next_tick - std::chrono::milliseconds(kLeadMilliseconds[round]));
    x_.DestroyWindow(doomed);
    ASSERT_TRUE(program.Running()) << "round " << round << ": " << program.Stderr();
  }
  EXPECT_GE(destroyed_while_active, 5) << "the window manager did not activate the windows";
  // Two more ticks with the foreground gone.
  EXPECT_FALSE(program.Ended(2s)) << program.Stderr();
  EXPECT_TRUE(Above(x_, ours));
  program.CloseAndExpectCleanExit(x_, ours);
  EXPECT_EQ(program.Stderr(), "");
}

// ---- private servers with no window manager ----------------------------------------

struct BareServer {
  const char* name;
  std::vector<std::string> server_arguments;
  bool presses;  // Num Lock toggles every 750 ms, else never
  std::string stderr_text;
};

// The program on a private server with no window manager: the keeper raises
// its window over another put on top, the lamps chase and Num Lock is
// pressed every 750 ms for four seconds, as far as the server's extensions
// allow (nobody has been away from the fresh server for a minute). Then a
// window manager starts after the program and ends before it: the keeper
// hears of each and keeps the window on top by the means there is. Last the
// server goes away, which ends the program with one line and a failure
// status.
void PrintTo(const BareServer& server, std::ostream* out) {
  *out << server.name;
}

class ProgramWithoutWindowManager : public testing::TestWithParam<BareServer> {};

TEST_P(ProgramWithoutWindowManager, BlinksPressesKeepsOnTopAsAWindowManagerComesAndGoesAndEnds) {
  PrivateXServer server(GetParam().server_arguments);
  ASSERT_FALSE(server.Display().empty()) << "could not start Xvfb";
  DisplayClient x(server.Display());
  ASSERT_TRUE(x.Ok() && x.NumLockUsable());
  TemporaryFolder config;
  ProgramProcess program(server.Display(), config.Path());
  const xcb_window_t ours = program.WaitForMainWindow(x, /*framed=*/false);
  ASSERT_NE(ours, XCB_NONE);
  EXPECT_TRUE(RaisedOverANewWindow(x, ours)) << "before the window manager came";

  int lamp = RedLamp(x, ours), lamp_changes = 0;
  std::vector<Clock::time_point> toggles;
  bool locked = x.NumLockLocked();
  for (const Clock::time_point start = Clock::now(); Clock::now() - start < 4s;) {
    const int now_lit = RedLamp(x, ours);
    lamp_changes += now_lit != 0 && now_lit != lamp ? 1 : 0;
    lamp = now_lit != 0 ? now_lit : lamp;
    if (x.NumLockLocked() != locked) {
      locked = !locked;
      toggles.push_back(Clock::now());
    }
    std::this_thread::sleep_for(5ms);
  }
  EXPECT_GE(lamp_changes, 20);
  EXPECT_GE(toggles.size(), GetParam().presses ? 4u : 0u);
  EXPECT_LE(toggles.size(), GetParam().presses ? 6u : 0u);
  for (std::size_t i = 1; i < toggles.size(); ++i) {
    EXPECT_NEAR((toggles[i] - toggles[i - 1]) / 1ms, 750, 150) << "toggle " << i;
  }
  {
    const WindowManager openbox("openbox", server.Display());
    ASSERT_TRUE(openbox.Ok()) << "openbox did not take over";
    ASSERT_TRUE(WaitUntil([&] { return x.Framed(ours); }, 15s));
    const xcb_window_t other = OtherAboveOurs(x, ours);
    EXPECT_TRUE(WaitUntil([&] { return !Above(x, other) && Above(x, ours); }, 5s))
        << "the keeper did not work through the window manager that came";
    x.DestroyWindow(other);
  }
  EXPECT_TRUE(RaisedOverANewWindow(x, ours)) << "after the window manager went";
  server.Kill();
  ASSERT_TRUE(program.Ended(15s)) << "the program kept running without its X server";
  EXPECT_TRUE(program.EndedWithStatus(1)) << program.Outcome();
  EXPECT_EQ(program.Stderr(), GetParam().stderr_text +
                                  "brellock-varn-on: lost the connection to the X display; this "
                                  "program needs X11\n");
}

INSTANTIATE_TEST_SUITE_P(
    Servers, ProgramWithoutWindowManager,
    testing::Values(
        BareServer{"AllExtensions", {}, true, ""},
        BareServer{"NoXTest",
                   {"-extension", "XTEST"},
                   false,
                   "brellock-varn-on: cannot press Num Lock here: the X server has no XTEST "
                   "extension\n"},
        BareServer{"NoIdleClock",
                   {"-extension", "MIT-SCREEN-SAVER"},
                   true,
                   "brellock-varn-on: the X server has no MIT-SCREEN-SAVER extension, so Num Lock "
                   "is pressed even while nobody is at the machine\n"}),
    [](const testing::TestParamInfo<BareServer>& info) { return std::string(info.param.name); });

}  // namespace
