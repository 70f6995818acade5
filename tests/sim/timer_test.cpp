#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "platform/timer_scheduler.h"

namespace {

using namespace std::chrono_literals;
using platform::Duration;
using platform::TimePoint;
using platform::Timer;
using platform::TimerScheduler;

// A clock the test moves by hand; handlers may take time by moving it too.
class ManualHost : public platform::TimerHost {
 public:
  TimePoint Now() override { return now; }
  void RequestWake(std::optional<TimePoint> when) override { wake = when; }

  // Moves the clock on, waking the scheduler at each requested moment.
  void RunUntil(TimePoint until) {
    while (wake && *wake <= until) {
      now = std::max(now, *wake);
      wake.reset();
      OnWake();
    }
    now = std::max(now, until);
  }

  TimePoint now{0};
  std::optional<TimePoint> wake;
};

TEST(Timers, DisabledOrZeroIntervalNeverFire) {
  ManualHost host;
  TimerScheduler scheduler(host);
  Timer enabled_no_interval(scheduler, true, 0);
  Timer disabled(scheduler, false, 100);
  int events = 0;
  enabled_no_interval.OnTimer = [&] { ++events; };
  disabled.OnTimer = [&] { ++events; };
  host.RunUntil(TimePoint(10s));
  EXPECT_EQ(events, 0);
  EXPECT_FALSE(host.wake.has_value());
}

TEST(Timers, WritesOutsideHandlersCountFromNow) {
  ManualHost host;
  TimerScheduler scheduler(host);
  Timer timer(scheduler, true, 0);
  std::vector<TimePoint> fired;
  timer.OnTimer = [&] { fired.push_back(host.now); };
  host.now = TimePoint(37ms);
  timer.SetInterval(100);
  host.RunUntil(TimePoint(340ms));
  EXPECT_EQ(fired, (std::vector<TimePoint>{137ms, 237ms, 337ms}));
}

TEST(Timers, IntervalWriteRestartsTheCountButEnablingARunningTimerDoesNot) {
  ManualHost host;
  TimerScheduler scheduler(host);
  Timer timer(scheduler, true, 100);
  std::vector<TimePoint> fired;
  timer.OnTimer = [&] { fired.push_back(host.now); };
  host.RunUntil(TimePoint(50ms));
  timer.SetEnabled(true);
  host.RunUntil(TimePoint(150ms));
  EXPECT_EQ(fired, (std::vector<TimePoint>{100ms}));
  timer.SetInterval(100);  // at 150 ms: next event at 250 ms, not 200 ms
  host.RunUntil(TimePoint(249ms));
  EXPECT_EQ(fired.size(), 1u);
  host.RunUntil(TimePoint(250ms));
  EXPECT_EQ(fired.size(), 2u);
}

// Two timers handing over to each other, with handlers that each take 3 ms:
// the steps stay on the 100 ms grid instead of drifting by 3 ms a step.
TEST(Timers, HandOverInsideAHandlerCountsFromTheTicksDueTime) {
  ManualHost host;
  TimerScheduler scheduler(host);
  Timer first(scheduler, true, 100);
  Timer second(scheduler, false, 100);
  std::vector<TimePoint> fired;
  first.OnTimer = [&] {
    fired.push_back(host.now);
    host.now += 3ms;
    second.SetEnabled(true);
    first.SetEnabled(false);
  };
  second.OnTimer = [&] {
    fired.push_back(host.now);
    host.now += 3ms;
    first.SetEnabled(true);
    second.SetEnabled(false);
  };
  host.RunUntil(TimePoint(100s));
  ASSERT_EQ(fired.size(), 1000u);
  EXPECT_EQ(fired.back(), TimePoint(100s));
}

TEST(Timers, AfterAStallTheCountRestartsFromNowWithoutCatchingUp) {
  ManualHost host;
  TimerScheduler scheduler(host);
  Timer periodic(scheduler, true, 100);
  Timer first(scheduler, true, 100);
  Timer second(scheduler, false, 100);
  int periodic_events = 0;
  std::vector<TimePoint> hand_overs;
  periodic.OnTimer = [&] { ++periodic_events; };
  first.OnTimer = [&] {
    hand_overs.push_back(host.now);
    second.SetEnabled(true);
    first.SetEnabled(false);
  };
  second.OnTimer = [&] {
    hand_overs.push_back(host.now);
    first.SetEnabled(true);
    second.SetEnabled(false);
  };
  // The machine sleeps from 50 ms to 5 s: one late event each, then back on a
  // fresh 100 ms grid counted from the moment it woke.
  host.now = TimePoint(5s);
  host.OnWake();
  EXPECT_EQ(periodic_events, 1);
  EXPECT_EQ(hand_overs, (std::vector<TimePoint>{5s}));
  host.RunUntil(TimePoint(5s + 250ms));
  EXPECT_EQ(periodic_events, 3);
  EXPECT_EQ(hand_overs, (std::vector<TimePoint>{5s, 5s + 100ms, 5s + 200ms}));
}

TEST(Timers, TimersDueTogetherFireInTheOrderTheirCountsStarted) {
  ManualHost host;
  TimerScheduler scheduler(host);
  Timer b(scheduler, false, 100);
  Timer a(scheduler, false, 100);
  std::vector<char> order;
  a.OnTimer = [&] { order.push_back('a'); };
  b.OnTimer = [&] { order.push_back('b'); };
  a.SetEnabled(true);
  b.SetEnabled(true);
  host.RunUntil(TimePoint(200ms));
  EXPECT_EQ(order, (std::vector<char>{'a', 'b', 'a', 'b'}));
}

TEST(Timers, AHandlerMayDestroyItsOwnTimer) {
  ManualHost host;
  TimerScheduler scheduler(host);
  auto timer = std::make_unique<Timer>(scheduler, true, 100);
  Timer other(scheduler, true, 150);
  int other_events = 0;
  other.OnTimer = [&] { ++other_events; };
  timer->OnTimer = [&] { timer.reset(); };
  host.RunUntil(TimePoint(400ms));
  EXPECT_EQ(timer, nullptr);
  EXPECT_EQ(other_events, 2);
}

}  // namespace
