#include <gtest/gtest.h>

#include <vector>

#include "sim_program.h"

namespace {

using namespace testing_support;
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
  EXPECT_EQ(calls[0].insert_after, platform::HWND_NOTOPMOST);
  EXPECT_EQ(calls[1].window, promoted);
  EXPECT_EQ(calls[1].insert_after, platform::HWND_TOPMOST);
  for (const auto& call : calls) {
    EXPECT_EQ(call.flags, 3u);
    EXPECT_EQ(call.x | call.y | call.cx | call.cy, 0);
  }
}

TEST(TopmostKeeper, AnotherWindowInFrontIsDemotedAndWeArePromoted) {
  SimProgram program;
  program.Start();
  auto& stacking = program.backend.stacking();
  stacking.foreground = 0xBEEF;
  program.backend.RunFor(1s);
  EXPECT_EQ(stacking.foreground_queries.size(), 2u);  // once to test, once to demote
  ExpectDemoteThenPromote(stacking.calls, 0xBEEF, program.MainWindow().Handle());
}

TEST(TopmostKeeper, NoForegroundWindowStillPromotesUs) {
  SimProgram program;
  program.Start();
  auto& stacking = program.backend.stacking();
  stacking.foreground = 0;
  program.backend.RunFor(1s);
  ExpectDemoteThenPromote(stacking.calls, 0, program.MainWindow().Handle());
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
