#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <vector>

#include "platform/timer_scheduler.h"

namespace {

using namespace std::chrono_literals;
using platform::Duration;
using platform::TimePoint;
using platform::Timer;
using platform::TimerScheduler;

// A clock the test moves by hand.
// A busy or sleeping machine wakes the scheduler `late(requested)` after the
// moment it asked for.
class ManualHost : public platform::TimerHost {
 public:
  TimePoint Now() override { return now; }
  void RequestWake(std::optional<TimePoint> when) override { wake = when; }

  // Moves the clock on, waking the scheduler at each requested moment.
  void RunUntil(TimePoint until) {
    while (wake && *wake + (late ? late(*wake) : 0ms) <= until) {
      now = std::max(now, *wake + (late ? late(*wake) : 0ms));
      wake.reset();
      OnWake();
    }
    now = std::max(now, until);
  }

  TimePoint now{0};
  std::optional<TimePoint> wake;
  std::function<Duration(TimePoint)> late;
};

// A user's write counts from its own moment, before the first timer event
// and after one alike; a timer with no interval never fires.
TEST(Timers, WritesOutsideHandlersCountFromNow) {
  ManualHost host;
  TimerScheduler scheduler(host);
  Timer timer(scheduler, true, 0);
  Timer keeper(scheduler, true, 1000);
  std::vector<TimePoint> fired;
  timer.OnTimer = [&] { fired.push_back(host.now); };
  keeper.OnTimer = [&] { fired.push_back(-host.now); };  // the keeper's, negative
  host.RunUntil(TimePoint(37ms));                        // with no interval yet: nothing
  timer.SetInterval(100);
  host.RunUntil(TimePoint(340ms));
  EXPECT_EQ(fired, (std::vector<TimePoint>{137ms, 237ms, 337ms}));
  timer.SetEnabled(false);
  host.late = [](TimePoint) { return 4ms; };
  host.RunUntil(TimePoint(1300ms));
  timer.SetEnabled(true);
  host.late = nullptr;
  host.RunUntil(TimePoint(2000ms));
  EXPECT_EQ(fired, (std::vector<TimePoint>{137ms, 237ms, 337ms, -1004ms, 1400ms, 1500ms, 1600ms,
                                           1700ms, 1800ms, 1900ms, -2000ms, 2000ms}));
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

// The machine wakes the scheduler late: by a few ms at every wake (a busy
// machine), once by exactly one interval, or once by several (a sleep). Each
// wake raises one event per timer that is due, with no catch-up events, and
// a timer left running (the keeper's) or handed over inside its handler (the
// blinker's pair) keeps its grid: late wakes never add up.
TEST(Timers, WokenLateEachTimerFiresOnceAWakeAndKeepsItsGrid) {
  struct Case {
    const char* name;
    std::function<Duration(TimePoint)> late;
    std::vector<TimePoint> keeper, blinker;
  };
  const std::vector<Case> cases = {
      {"7 ms late at every wake",
       [](TimePoint) { return 7ms; },
       {1007ms, 2007ms, 3007ms, 4007ms},
       {757ms, 1507ms, 2257ms, 3007ms, 3757ms, 4507ms}},
      {"the keeper's tick one interval late",
       [](TimePoint due) { return due == TimePoint(1s) ? 1000ms : 0ms; },
       {2000ms, 3000ms, 4000ms, 5000ms},
       {750ms, 2000ms, 2250ms, 3000ms, 3750ms, 4500ms}},
      {"the blinker's tick one interval late",
       [](TimePoint due) { return due == TimePoint(750ms) ? 750ms : 0ms; },
       {1500ms, 2000ms, 3000ms, 4000ms, 5000ms},
       {1500ms, 2250ms, 3000ms, 3750ms, 4500ms}},
      {"the blinker's tick four intervals late",
       [](TimePoint due) { return due == TimePoint(750ms) ? 3000ms : 0ms; },
       {3750ms, 4750ms},
       {3750ms, 4500ms}},
  };
  for (const Case& c : cases) {
    ManualHost host;
    host.late = c.late;
    TimerScheduler scheduler(host);
    Timer keeper(scheduler, true, 1000);
    Timer first(scheduler, true, 750);
    Timer second(scheduler, false, 750);
    std::vector<TimePoint> keeper_events, blinker_events;
    keeper.OnTimer = [&] { keeper_events.push_back(host.now); };
    first.OnTimer = [&] {
      blinker_events.push_back(host.now);
      second.SetEnabled(true);
      first.SetEnabled(false);
    };
    second.OnTimer = [&] {
      blinker_events.push_back(host.now);
      first.SetEnabled(true);
      second.SetEnabled(false);
    };
    host.RunUntil(TimePoint(5s));
    EXPECT_EQ(keeper_events, c.keeper) << c.name;
    EXPECT_EQ(blinker_events, c.blinker) << c.name;
  }
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
  // A timer left running starts a new count at each event: at 500 ms the
  // count of one of 300 ms made now started before those of a and b.
  Timer slow(scheduler, true, 300);
  slow.OnTimer = [&] { order.push_back('s'); };
  host.RunUntil(TimePoint(500ms));
  EXPECT_EQ(order, (std::vector<char>{'a', 'b', 'a', 'b', 'a', 'b', 'a', 'b', 's', 'a', 'b'}));
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
