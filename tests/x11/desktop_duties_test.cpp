// The program's own timers doing their work on real X servers, the real
// program run as a user runs it: Num Lock presses and the always-on-top
// keeper on the desktop in DISPLAY (Xvfb with openbox), and the program on
// private servers with no window manager and with no XTEST.
#include <gtest/gtest.h>

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

void SetAbove(const DisplayClient& x, xcb_window_t window, bool above) {
  x.SendToWindowManager(window, "_NET_WM_STATE",
                        {above ? 1u : 0u, x.Atom("_NET_WM_STATE_ABOVE"), 0, 2, 0});
}

bool Above(const DisplayClient& x, xcb_window_t window) {
  return x.Has(window, "_NET_WM_STATE", "_NET_WM_STATE_ABOVE");
}

// Another program's window made active and always on top in place of ours,
// as the keeper finds it at its next tick.
xcb_window_t OtherAboveOurs(const DisplayClient& x, xcb_window_t ours) {
  const xcb_window_t other = ActiveWindow(x, 400, 300, 15s);
  EXPECT_TRUE(WaitUntil([&] { return x.ActiveIs(other); }, 15s));
  SetAbove(x, ours, false);
  SetAbove(x, other, true);
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

TEST_F(SharedDesktop, NumLockTogglesEvery750Milliseconds) {
  ASSERT_TRUE(x_.NumLockUsable()) << "the display's keyboard has no Num Lock modifier";
  const bool found = x_.NumLockLocked();
  Xdotool({"mousemove_relative", "1", "0"});  // a person is at the machine
  ProgramProcess program(display_, config_.Path());
  const xcb_window_t window = program.WaitForMainWindow(x_, /*framed=*/false);
  ASSERT_NE(window, XCB_NONE);

  std::vector<Clock::time_point> toggles;
  bool locked = x_.NumLockLocked();
  for (const Clock::time_point start = Clock::now(); Clock::now() - start < 4s;) {
    if (x_.NumLockLocked() != locked) {
      locked = !locked;
      toggles.push_back(Clock::now());
    }
    std::this_thread::sleep_for(1ms);
  }
  program.CloseAndExpectCleanExit(x_, window);
  if (x_.NumLockLocked() != found) {
    Xdotool({"key", "Num_Lock"});
    EXPECT_TRUE(WaitUntil([&] { return x_.NumLockLocked() == found; }, 5s));
  }

  EXPECT_GE(toggles.size(), 4u);
  EXPECT_LE(toggles.size(), 6u);
  for (std::size_t i = 1; i < toggles.size(); ++i) {
    EXPECT_NEAR((toggles[i] - toggles[i - 1]) / 1ms, 750, 150) << "toggle " << i;
  }
  EXPECT_EQ(program.Stderr(), "");
}

TEST_F(SharedDesktop, TakesAlwaysOnTopFromTheActiveWindowWithoutMovingEither) {
  ProgramProcess program(display_, config_.Path());
  const xcb_window_t ours = program.WaitForMainWindow(x_, /*framed=*/true);
  ASSERT_NE(ours, XCB_NONE);
  const xcb_window_t other = OtherAboveOurs(x_, ours);
  const auto our_place = x_.OuterFrame(ours);
  const auto other_place = x_.OuterFrame(other);
  ASSERT_TRUE(our_place && other_place);

  EXPECT_TRUE(WaitUntil([&] { return !Above(x_, other) && Above(x_, ours); }, 3s))
      << "the program did not take the always-on-top state over";
  EXPECT_EQ(x_.OuterFrame(ours), our_place);
  EXPECT_EQ(x_.OuterFrame(other), other_place);
  EXPECT_TRUE(x_.ActiveIs(other)) << "the program took the focus";

  x_.DestroyWindow(other);
  program.CloseAndExpectCleanExit(x_, ours);
  EXPECT_EQ(program.Stderr(), "");
}

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

// The keeper asks who is in front and then demotes that window: windows that
// vanish just before a tick must neither crash the program nor make it talk.
TEST_F(SharedDesktop, ForegroundWindowsVanishingAtTheKeepersTickAreHarmless) {
  ProgramProcess program(display_, config_.Path());
  const xcb_window_t ours = program.WaitForMainWindow(x_, /*framed=*/true);
  ASSERT_NE(ours, XCB_NONE);

  // The keeper's tick is when it demotes the active window.
  const xcb_window_t probe = OtherAboveOurs(x_, ours);
  ASSERT_TRUE(WaitUntil([&] { return !Above(x_, probe); }, 3s)) << "the keeper never ticked";
  const Clock::time_point tick = Clock::now();
  x_.DestroyWindow(probe);

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

struct BareRun {
  bool raised_over_another_window = false;
  int lamp_changes = 0;
  int num_lock_toggles = 0;
  std::string stderr_text;
};

// Runs the program on a private server: another window is put on top of it,
// then for two seconds what changes on screen and on the keyboard is counted;
// then the program is closed.
void RunOnPrivateServer(const std::vector<std::string>& server_arguments, BareRun& run) {
  PrivateXServer server(server_arguments);
  ASSERT_FALSE(server.Display().empty()) << "could not start Xvfb";
  DisplayClient x(server.Display());
  ASSERT_TRUE(x.Ok() && x.NumLockUsable());
  TemporaryFolder config;
  ProgramProcess program(server.Display(), config.Path());
  const xcb_window_t window = program.WaitForMainWindow(x, /*framed=*/false);
  ASSERT_NE(window, XCB_NONE);

  run.raised_over_another_window = RaisedOverANewWindow(x, window);

  int lamp = RedLamp(x, window);
  bool locked = x.NumLockLocked();
  for (const Clock::time_point start = Clock::now(); Clock::now() - start < 2s;) {
    const int now_lit = RedLamp(x, window);
    run.lamp_changes += now_lit != 0 && now_lit != lamp ? 1 : 0;
    lamp = now_lit != 0 ? now_lit : lamp;
    if (x.NumLockLocked() != locked) {
      locked = !locked;
      ++run.num_lock_toggles;
    }
    std::this_thread::sleep_for(5ms);
  }
  EXPECT_TRUE(program.Running());
  program.CloseAndExpectCleanExit(x, window);
  run.stderr_text = program.Stderr();
}

TEST(ProgramWithoutWindowManager, RunsBlinksAndClosesCleanly) {
  BareRun run;
  RunOnPrivateServer({}, run);
  EXPECT_TRUE(run.raised_over_another_window) << "the keeper did not raise the window to the top";
  EXPECT_GE(run.lamp_changes, 10);
  EXPECT_GE(run.num_lock_toggles, 2);
  EXPECT_EQ(run.stderr_text, "");
}

// A window manager may start after the program and end before it: the
// keeper hears of each and keeps the window on top by the means there is.
TEST(ProgramWhileAWindowManagerComesAndGoes, KeepsItsWindowOnTopThroughout) {
  PrivateXServer server;
  ASSERT_FALSE(server.Display().empty()) << "could not start Xvfb";
  DisplayClient x(server.Display());
  ASSERT_TRUE(x.Ok());
  TemporaryFolder config;
  ProgramProcess program(server.Display(), config.Path());
  const xcb_window_t ours = program.WaitForMainWindow(x, /*framed=*/false);
  ASSERT_NE(ours, XCB_NONE);
  EXPECT_TRUE(RaisedOverANewWindow(x, ours)) << "before the window manager came";
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
  program.CloseAndExpectCleanExit(x, ours);
  EXPECT_EQ(program.Stderr(), "");
}

TEST(ProgramWithoutXTest, WarnsOnceAboutNumLockAndRunsOn) {
  BareRun run;
  RunOnPrivateServer({"-extension", "XTEST"}, run);
  EXPECT_GE(run.lamp_changes, 10);
  EXPECT_EQ(run.num_lock_toggles, 0);
  EXPECT_EQ(run.stderr_text,
            "brellock-varn-on: cannot press Num Lock here: the X server has no XTEST extension\n");
}

TEST(ProgramWithoutIdleClock, PressesAsEverAndSaysSoOnce) {
  BareRun run;
  RunOnPrivateServer({"-extension", "MIT-SCREEN-SAVER"}, run);
  EXPECT_GE(run.lamp_changes, 10);
  EXPECT_GE(run.num_lock_toggles, 2);
  EXPECT_EQ(run.stderr_text,
            "brellock-varn-on: the X server has no MIT-SCREEN-SAVER extension, so Num Lock is "
            "pressed even while nobody is at the machine\n");
}

}  // namespace
