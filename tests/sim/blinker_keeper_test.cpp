#include <gtest/gtest.h>

#include <vector>

#include "sim_program.h"

namespace {

using namespace testing_support;
using platform::Duration;
using platform::TimePoint;

TEST(NumLockBlinker, TimersTakeTurnsAndEachTickPressesOnce) {
  SimProgram program;
  program.Start();
  auto& timers = program.Main().NUMLOCK_TIMER;
  for (int tick = 1; tick <= 8; ++tick) {
    program.backend.RunFor(750ms);
    ASSERT_EQ(program.backend.keys().presses.size(), static_cast<std::size_t>(tick));
    EXPECT_EQ(program.backend.keys().presses.back(), TimePoint(tick * 750ms));
    const int next = tick % 2 == 1 ? 2 : 1;
    EXPECT_TRUE(timers(next).Enabled()) << "after tick " << tick;
    EXPECT_FALSE(timers(3 - next).Enabled()) << "after tick " << tick;
  }
}

// The blinker's ticks, 750 ms apart from load, between `from` and `until`.
std::vector<TimePoint> Ticks(TimePoint from, TimePoint until) {
  std::vector<TimePoint> ticks;
  for (TimePoint tick = 750ms; tick <= until; tick += 750ms) {
    if (tick >= from) {
      ticks.push_back(tick);
    }
  }
  return ticks;
}

std::vector<TimePoint> Joined(std::vector<TimePoint> a, const std::vector<TimePoint>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Each tick hands over to the other timer whether it presses or not.
void ExpectHandOversUpTo(SimProgram& program, TimePoint until) {
  auto& timers = program.Main().NUMLOCK_TIMER;
  for (TimePoint at = 1s; at <= until; at += 10s) {
    program.backend.At(at, [&timers, at] {
      const bool odd_ticks = (at / 750ms) % 2 == 1;
      EXPECT_EQ(timers(2).Enabled(), odd_ticks) << "at " << at / 1ms << " ms";
      EXPECT_NE(timers(1).Enabled(), timers(2).Enabled()) << "at " << at / 1ms << " ms";
    });
  }
}

// Nobody but the program gives input: the presses go on for a minute after
// the last person's input, then rest with Num Lock as it was at start (an
// even number of presses), and the next input brings them back at the
// next tick.
TEST(NumLockBlinker, PressesOnlyWhileAPersonIsThereAndRestsAsNumLockWas) {
  struct Case {
    Duration last_input;   // the person's, before the pause
    TimePoint last_press;  // the pause's first tick presses no more
  };
  for (const Case& c : {Case{0ms, 60000ms},       // 79 presses by 59.25 s, then one more
                        Case{500ms, 60000ms}}) {  // 80 presses by 60 s, and no more
    SCOPED_TRACE(c.last_input / 1ms);
    SimProgram program;
    program.Start();
    auto& keys = program.backend.keys();
    if (c.last_input > 0ms) {
      program.backend.After(c.last_input, [&] { keys.PersonInput(); });
    }
    program.backend.At(100300ms, [&] { program.MainWindow().Click("VARN_BACKGROUND_LABEL"); });
    ExpectHandOversUpTo(program, 110s);
    program.backend.RunFor(110s);

    EXPECT_EQ(keys.presses, Joined(Ticks(0ms, c.last_press), Ticks(100500ms, 110s)));
    EXPECT_EQ(Ticks(0ms, c.last_press).size() % 2, 0u) << "Num Lock not left as it was";
    EXPECT_EQ(keys.idle_clock_reads, Ticks(0ms, 110s)) << "one reading a tick";
  }
}

// A locked session or a screen saver gets no press, not even one to put Num
// Lock back; unlocked, the person's input brings the presses back.
TEST(NumLockBlinker, NoPressWhileLockedOrTheScreenSaverIsOn) {
  SimProgram program;
  program.Start();
  auto& keys = program.backend.keys();
  program.backend.At(4000ms, [&] { keys.locked = true; });   // after the 5th press
  program.backend.At(20000ms, [&] { keys.PersonInput(); });  // at the lock screen
  program.backend.At(30100ms, [&] {
    keys.locked = false;
    keys.PersonInput();
  });
  ExpectHandOversUpTo(program, 33s);
  program.backend.RunFor(33s);
  EXPECT_EQ(keys.presses, Joined(Ticks(0ms, 3750ms), Ticks(30750ms, 33s)));
}

// Where the system's idle clock cannot be read, or does not count the
// program's presses, the rule still holds or the presses go on as ever.
TEST(NumLockBlinker, IdleClocksThatCannotTellOrDoNotCountThePresses) {
  SimProgram without_clock;
  without_clock.backend.keys().has_idle_clock = false;
  without_clock.Start();
  without_clock.backend.RunFor(120s);
  EXPECT_EQ(without_clock.backend.keys().presses, Ticks(0ms, 120s));

  // A desktop with no idle clock may still tell of its lock.
  SimProgram lock_only;
  lock_only.backend.keys().has_idle_clock = false;
  lock_only.Start();
  lock_only.backend.At(4000ms, [&] { lock_only.backend.keys().locked = true; });
  lock_only.backend.At(30100ms, [&] { lock_only.backend.keys().locked = false; });
  lock_only.backend.RunFor(33s);
  EXPECT_EQ(lock_only.backend.keys().presses, Joined(Ticks(0ms, 3750ms), Ticks(30750ms, 33s)));

  SimProgram uncounted;
  uncounted.backend.keys().presses_count_as_input = false;
  uncounted.Start();
  uncounted.backend.At(30300ms, [&] { uncounted.backend.keys().PersonInput(); });
  uncounted.backend.RunFor(120s);
  EXPECT_EQ(uncounted.backend.keys().presses, Ticks(0ms, 90000ms));
}

TEST(TopmostKeeper, FirstLookOneSecondAfterLoadAndNothingWhileWeAreInFront) {
  SimProgram program;
  program.Start();
  auto& stacking = program.backend.stacking();
  stacking.foreground = program.MainWindow().Handle();
  program.backend.RunFor(999ms);
  EXPECT_TRUE(stacking.foreground_queries.empty());
  program.backend.RunFor(3001ms);
  EXPECT_EQ(stacking.foreground_queries, (std::vector<TimePoint>{1000ms, 2000ms, 3000ms, 4000ms}));
  EXPECT_TRUE(stacking.calls.empty());
}

void ExpectDemoteThenPromote(const std::vector<platform::sim::StackingCall>& calls,
                             platform::WindowHandle demoted, platform::WindowHandle promoted) {
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].window, demoted);
  EXPECT_EQ(calls[0].insert_after, -2);  // HWND_NOTOPMOST, as Windows numbers it
  EXPECT_EQ(calls[1].window, promoted);
  EXPECT_EQ(calls[1].insert_after, -1);  // HWND_TOPMOST
  for (const auto& call : calls) {
    EXPECT_EQ(call.flags, 3u);
    EXPECT_EQ(call.x | call.y | call.cx | call.cy, 0);
  }
}

// Another window in front, or none (0): it is demoted and we are promoted.
TEST(TopmostKeeper, AnotherWindowOrNoneInFrontIsDemotedAndWeArePromoted) {
  for (const platform::WindowHandle foreground : {0xBEEF, 0}) {
    SimProgram program;
    program.Start();
    auto& stacking = program.backend.stacking();
    stacking.foreground = foreground;
    program.backend.RunFor(1s);
    EXPECT_EQ(stacking.foreground_queries.size(), 2u);  // once to test, once to demote
    ExpectDemoteThenPromote(stacking.calls, foreground, program.MainWindow().Handle());
  }
}

TEST(TopmostKeeper, OpenAboutWindowInFrontIsDemotedToo) {
  SimProgram program;
  program.Start();
  auto& stacking = program.backend.stacking();
  stacking.foreground = program.MainWindow().Handle();
  program.backend.After(500ms, [&] { program.MainWindow().DoubleClick("VARN_LABEL_4"); });
  program.backend.After(600ms, [&] { stacking.foreground = program.AboutWindow()->Handle(); });
  program.backend.After(1500ms, [&] {
    ExpectDemoteThenPromote(stacking.calls, program.AboutWindow()->Handle(),
                            program.MainWindow().Handle());
    program.AboutWindow()->Click("OK_BUTTON");
  });
  program.backend.RunFor(2s);
  EXPECT_EQ(program.AboutWindow(), nullptr);
}

}  // namespace
