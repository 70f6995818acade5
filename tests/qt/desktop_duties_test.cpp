// The program's own timers doing their work on real X servers, the real
// program run as a user runs it: Num Lock presses and the always-on-top
// keeper on the desktop in DISPLAY (Xvfb with openbox), and the program on
// private servers with no window manager and with no XTEST.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <set>
#include <thread>
#include <vector>

#include "app/main_design.h"
#include "display_client.h"
#include "platform/twips.h"
#include "program_process.h"

namespace {

using namespace testing_support;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr double kTwipsPerPixel = 15.0;  // every server here runs at 96 dpi

std::string SharedDisplay() {
  const char* display = std::getenv("DISPLAY");
  return display != nullptr ? display : "";
}

long Milliseconds(Clock::duration duration) {
  return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(duration).count());
}

bool IsRed(std::uint32_t rgb) {
  return (rgb >> 16 & 0xff) > 200 && (rgb >> 8 & 0xff) < 60 && (rgb & 0xff) < 60;
}

// The lamp showing red (1 to 7), 0 when none does.
int RedLamp(const DisplayClient& x, xcb_window_t window) {
  const auto origin = x.ClientOrigin(window);
  if (!origin) {
    return 0;
  }
  std::vector<QPoint> centres(7);
  for (const platform::ControlDesign& control : app::MainWindowDesign().controls) {
    for (int n = 1; n <= 7; ++n) {
      if (control.name == "VARN_LABEL_" + std::to_string(n)) {
        centres[n - 1] =
            *origin +
            QPoint(platform::TwipsToPixels(control.left + control.width / 2, kTwipsPerPixel),
                   platform::TwipsToPixels(control.top + control.height / 2, kTwipsPerPixel));
      }
    }
  }
  const auto colours = x.ScreenPixels(centres);
  for (std::size_t i = 0; colours && i < colours->size(); ++i) {
    if (IsRed((*colours)[i])) {
      return static_cast<int>(i) + 1;
    }
  }
  return 0;
}

// Closes the program as the user does and expects it to end cleanly.
void CloseAndExpectCleanExit(const DisplayClient& x, ProgramProcess& program, xcb_window_t window) {
  x.SendDeleteWindow(window);
  const auto status = program.WaitForExit(20s);
  ASSERT_TRUE(status.has_value()) << "the program did not end after its window was closed";
  EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << DescribeStatus(*status);
}

class SharedDesktop : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(x_.Ok()) << "DISPLAY must name an X server with openbox running";
    ASSERT_FALSE(x_.Values(x_.Root(), "_NET_SUPPORTING_WM_CHECK").empty())
        << "no EWMH window manager runs on DISPLAY";
  }

  void Activate(xcb_window_t window) {
    x_.SendToWindowManager(window, "_NET_ACTIVE_WINDOW", {2, XCB_CURRENT_TIME, 0, 0, 0});
  }
  void SetAbove(xcb_window_t window, bool above) {
    x_.SendToWindowManager(window, "_NET_WM_STATE",
                           {above ? 1u : 0u, x_.Atom("_NET_WM_STATE_ABOVE"), 0, 2, 0});
  }

  DisplayClient x_{""};
  QTemporaryDir config_;
};

TEST_F(SharedDesktop, NumLockTogglesEvery750Milliseconds) {
  ASSERT_TRUE(x_.NumLockUsable()) << "the display's keyboard has no Num Lock modifier";
  const bool found = x_.NumLockLocked();
  ProgramProcess program({SharedDisplay(), config_.path().toStdString()});
  const xcb_window_t window = WaitForMainWindow(x_, program, /*framed=*/false);
  ASSERT_NE(window, XCB_NONE) << program.Stderr();

  std::vector<Clock::time_point> toggles;
  bool locked = x_.NumLockLocked();
  const Clock::time_point start = Clock::now();
  while (Clock::now() - start < 4s) {
    if (x_.NumLockLocked() != locked) {
      locked = !locked;
      toggles.push_back(Clock::now());
    }
    std::this_thread::sleep_for(1ms);
  }
  CloseAndExpectCleanExit(x_, program, window);
  if (x_.NumLockLocked() != found) {
    x_.PressNumLock();
    EXPECT_TRUE(WaitUntil([&] { return x_.NumLockLocked() == found; }, 5s));
  }

  EXPECT_GE(toggles.size(), 4u);
  EXPECT_LE(toggles.size(), 6u);
  std::string gaps;
  for (std::size_t i = 1; i < toggles.size(); ++i) {
    const long gap = Milliseconds(toggles[i] - toggles[i - 1]);
    gaps += std::to_string(gap) + " ";
    EXPECT_NEAR(gap, 750, 150) << "toggle " << i;
  }
  std::printf("Num Lock toggles: %zu, gaps (ms): %s\n", toggles.size(), gaps.c_str());
  EXPECT_EQ(program.Stderr(), "");
}

TEST_F(SharedDesktop, TakesAlwaysOnTopFromTheActiveWindowWithoutMovingEither) {
  ProgramProcess program({SharedDisplay(), config_.path().toStdString()});
  const xcb_window_t ours = WaitForMainWindow(x_, program, /*framed=*/true);
  ASSERT_NE(ours, XCB_NONE) << program.Stderr();
  const xcb_window_t other = x_.MakeWindow(400, 300);
  ASSERT_TRUE(WaitUntil([&] { return x_.Managed(other); }, 15s));
  Activate(other);
  ASSERT_TRUE(WaitUntil([&] { return x_.ActiveIs(other); }, 15s));

  SetAbove(ours, false);
  SetAbove(other, true);
  ASSERT_TRUE(WaitUntil([&] { return x_.Above(other) && !x_.Above(ours); }, 3s));
  const Clock::time_point start = Clock::now();
  const auto our_place = x_.OuterFrame(ours);
  const auto other_place = x_.OuterFrame(other);
  ASSERT_TRUE(our_place && other_place);

  EXPECT_TRUE(WaitUntil([&] { return !x_.Above(other) && x_.Above(ours); }, 3s))
      << "the program did not take the always-on-top state over";
  std::printf("always-on-top taken over after %ld ms\n", Milliseconds(Clock::now() - start));
  EXPECT_EQ(x_.OuterFrame(ours), our_place);
  EXPECT_EQ(x_.OuterFrame(other), other_place);
  EXPECT_TRUE(x_.ActiveIs(other)) << "the program took the focus";

  x_.DestroyWindow(other);
  CloseAndExpectCleanExit(x_, program, ours);
  EXPECT_EQ(program.Stderr(), "");
}

// The keeper asks who is in front and then demotes that window: windows that
// vanish just before a tick must neither crash the program nor make it talk.
TEST_F(SharedDesktop, ForegroundWindowsVanishingAtTheKeepersTickAreHarmless) {
  ProgramProcess program({SharedDisplay(), config_.path().toStdString()});
  const xcb_window_t ours = WaitForMainWindow(x_, program, /*framed=*/true);
  ASSERT_NE(ours, XCB_NONE) << program.Stderr();

  // The keeper's tick is when it demotes the active window.
  const xcb_window_t probe = x_.MakeWindow(300, 300);
  ASSERT_TRUE(WaitUntil([&] { return x_.Managed(probe); }, 15s));
  Activate(probe);
  ASSERT_TRUE(WaitUntil([&] { return x_.ActiveIs(probe); }, 15s));
  SetAbove(probe, true);
  ASSERT_TRUE(WaitUntil([&] { return x_.Above(probe); }, 3s));
  ASSERT_TRUE(WaitUntil([&] { return !x_.Above(probe); }, 3s)) << "the keeper never ticked";
  const Clock::time_point tick = Clock::now();
  x_.DestroyWindow(probe);

  // Each round destroys the active window a little closer to the tick.
  constexpr std::array<int, 6> kLeadMilliseconds = {40, 20, 8, 3, 1, 0};
  int destroyed_while_active = 0;
  for (std::size_t round = 0; round < kLeadMilliseconds.size(); ++round) {
    const Clock::time_point next_tick = tick + std::chrono::seconds(round + 1);
    std::this_thread::sleep_until(next_tick - 700ms);
    const xcb_window_t doomed = x_.MakeWindow(200 + 40 * static_cast<int>(round), 250);
    ASSERT_TRUE(WaitUntil([&] { return x_.Managed(doomed); }, 500ms));
    Activate(doomed);
    destroyed_while_active += WaitUntil([&] { return x_.ActiveIs(doomed); }, 500ms) ? 1 : 0;
    std::this_thread::sleep_until(next_tick - std::chrono::milliseconds(kLeadMilliseconds[round]));
    x_.DestroyWindow(doomed);
    ASSERT_TRUE(program.Running()) << "round " << round << ": " << program.Stderr();
  }
  EXPECT_GE(destroyed_while_active, 5) << "the window manager did not activate the windows";
  // Two more ticks with the foreground gone.
  EXPECT_FALSE(WaitUntil([&] { return !program.Running(); }, 2s)) << program.Stderr();
  EXPECT_TRUE(x_.Above(ours));
  CloseAndExpectCleanExit(x_, program, ours);
  EXPECT_EQ(program.Stderr(), "");
}

// ---- private servers ------------------------------------------------------------

struct BareRun {
  int lamp_changes = 0;
  int num_lock_toggles = 0;
  std::string stderr_text;
};

// Runs the program on a private server for a bounded while, counting what
// changes on screen and on the keyboard, then closes it.
void RunOnPrivateServer(std::vector<std::string> server_arguments, BareRun& run) {
  PrivateXServer server(std::move(server_arguments));
  ASSERT_FALSE(server.Display().empty()) << "could not start Xvfb";
  DisplayClient x(server.Display());
  ASSERT_TRUE(x.Ok());
  ASSERT_TRUE(x.NumLockUsable());
  QTemporaryDir config;
  ProgramProcess program({server.Display(), config.path().toStdString()});
  const xcb_window_t window = WaitForMainWindow(x, program, /*framed=*/false);
  ASSERT_NE(window, XCB_NONE) << program.Stderr();

  int lamp = RedLamp(x, window);
  bool locked = x.NumLockLocked();
  const Clock::time_point start = Clock::now();
  while (Clock::now() - start < 2s) {
    const int now_lit = RedLamp(x, window);
    if (now_lit != 0 && now_lit != lamp) {
      ++run.lamp_changes;
      lamp = now_lit;
    }
    if (x.NumLockLocked() != locked) {
      locked = !locked;
      ++run.num_lock_toggles;
    }
    std::this_thread::sleep_for(5ms);
  }
  EXPECT_TRUE(program.Running());
  CloseAndExpectCleanExit(x, program, window);
  run.stderr_text = program.Stderr();
}

TEST(ProgramWithoutWindowManager, RunsBlinksAndClosesCleanly) {
  BareRun run;
  RunOnPrivateServer({}, run);
  std::printf("2 s without a window manager: %d lamp changes, %d Num Lock toggles\n",
              run.lamp_changes, run.num_lock_toggles);
  EXPECT_GE(run.lamp_changes, 10);
  EXPECT_GE(run.num_lock_toggles, 2);
  EXPECT_EQ(run.stderr_text, "");
}

TEST(ProgramWithoutXTest, WarnsOnceAboutNumLockAndRunsOn) {
  BareRun run;
  RunOnPrivateServer({"-extension", "XTEST"}, run);
  std::printf("2 s without XTEST: %d lamp changes, %d Num Lock toggles\n", run.lamp_changes,
              run.num_lock_toggles);
  EXPECT_GE(run.lamp_changes, 10);
  EXPECT_EQ(run.num_lock_toggles, 0);
  const auto lines = Lines(run.stderr_text);
  ASSERT_EQ(lines.size(), 1u) << run.stderr_text;
  EXPECT_EQ(lines[0],
            "brellock-varn-on: cannot press Num Lock here: the X server has no XTEST "
            "extension");
}

}  // namespace
