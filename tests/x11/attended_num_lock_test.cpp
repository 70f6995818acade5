// Num Lock pressed only while a person is at the machine, on real X servers
// under openbox and under mutter, both at once: left alone, the program
// stops pressing within a minute or so, with Num Lock as it found it, so the
// server's idle clock runs on and the screen can blank and lock; a pointer
// move brings the presses back; the screen saver gets none; the lamps run
// throughout.
#include <gtest/gtest.h>

#include <memory>

#include "x11_test_support.h"

namespace {

using namespace testing_support;
using Clock = std::chrono::steady_clock;

// One desktop: a private server, its window manager and the program.
struct Desk {
  explicit Desk(const std::string& window_manager) : name(window_manager) {}

  bool Start() {
    if (server.Display().empty()) {
      return false;
    }
    x = std::make_unique<DisplayClient>(server.Display());
    manager = std::make_unique<WindowManager>(name, server.Display());
    if (!x->Ok() || !x->NumLockUsable() || !manager->Ok()) {
      return false;
    }
    num_lock_at_start = x->NumLockLocked();
    program = std::make_unique<ProgramProcess>(server.Display(), config.Path());
    window = program->WaitForMainWindow(*x, /*framed=*/true);
    started = Clock::now();
    num_lock = num_lock_at_start;
    last_lamp_change = started;
    return window != XCB_NONE;
  }

  // Looks at the keyboard and the lamps once.
  void Watch() {
    const Clock::time_point now = Clock::now();
    if (x->NumLockLocked() != num_lock) {
      num_lock = !num_lock;
      toggles.push_back(now);
    }
    const int lit = RedLamp(*x, window);
    if (lit != 0 && lit != lamp) {
      longest_lamp_pause = std::max(longest_lamp_pause, now - last_lamp_change);
      last_lamp_change = now;
      lamp = lit;
    }
  }

  // Watches until Num Lock changes, or `limit` is up; whether it did.
  bool NextToggle(std::chrono::milliseconds limit) {
    const std::size_t before = toggles.size();
    return WaitUntil(
        [&] {
          Watch();
          return toggles.size() > before;
        },
        limit);
  }

  std::string name;
  PrivateXServer server;
  std::unique_ptr<DisplayClient> x;
  std::unique_ptr<WindowManager> manager;
  TemporaryFolder config;
  std::unique_ptr<ProgramProcess> program;
  xcb_window_t window = XCB_NONE;
  Clock::time_point started;
  bool num_lock_at_start = false;
  bool num_lock = false;
  std::vector<Clock::time_point> toggles;
  int lamp = 0;
  Clock::time_point last_lamp_change;
  Clock::duration longest_lamp_pause{};
};

TEST(NumLockWhileAPersonIsThere, LeftAloneTheProgramRestsThenWakesWithThePersonButNotTheSaver) {
  std::vector<std::unique_ptr<Desk>> desks;
  for (const char* window_manager : {"openbox", "mutter"}) {
    desks.push_back(std::make_unique<Desk>(window_manager));
    ASSERT_TRUE(desks.back()->Start())
        << window_manager << ": the desktop or program did not start";
  }

  // Eighty seconds with nobody at either machine.
  const Clock::time_point alone_until = Clock::now() + 80s;
  while (Clock::now() < alone_until) {
    for (auto& desk : desks) {
      desk->Watch();
    }
    std::this_thread::sleep_for(10ms);
  }
  for (auto& desk : desks) {
    SCOPED_TRACE(desk->name);
    const auto idle = desk->x->IdleTime();
    ASSERT_TRUE(idle.has_value());
    EXPECT_GE(*idle, 15s) << "the server's idle clock was held back";
    EXPECT_EQ(desk->num_lock, desk->num_lock_at_start) << "Num Lock was left changed";
    EXPECT_GE(desk->toggles.size(), 40u) << "the presses did not go on while somebody was there";
    EXPECT_LT(desk->longest_lamp_pause, 3s) << "the lamps stopped";
    ASSERT_TRUE(desk->program->Running()) << desk->program->Outcome();
  }

  for (auto& desk : desks) {
    SCOPED_TRACE(desk->name);
    // A person moves the pointer: the presses come back at the next tick.
    ASSERT_TRUE(MovePointerTo(*desk->x, {300, 300}));
    ASSERT_TRUE(desk->NextToggle(10s)) << "a person's input did not bring the presses back";
    EXPECT_TRUE(desk->NextToggle(10s)) << "the presses did not go on";

    // The screen saver comes on: no press reaches it.
    desk->x->ActivateScreenSaver();
    ASSERT_TRUE(WaitUntil([&] { return desk->x->ScreenSaverOn(); }, 5s));
    EXPECT_FALSE(desk->NextToggle(3s)) << "Num Lock was pressed under the saver";
    EXPECT_TRUE(desk->x->ScreenSaverOn()) << "the screen saver was woken";

    desk->program->CloseAndExpectCleanExit(*desk->x, desk->window);
    EXPECT_EQ(desk->program->Stderr(), "");
  }
}

}  // namespace
