// Window timers for all backends. A backend only tells the time and wakes the
// scheduler when asked; when each timer is due is decided here, once.
//
// Counting rule: a write that leaves a timer enabled with a non-zero interval
// starts its count. A write made while a timer event is being handled counts
// from that event's due time, as though handlers took no time, so a chain of
// hand-overs keeps exact step times instead of drifting by each handler's
// latency. A write made anywhere else counts from now. A count is never
// started in the past: after a stall longer than an interval it restarts from
// now, so no burst of catch-up events follows.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace platform {

using Duration = std::chrono::nanoseconds;
using TimePoint = std::chrono::nanoseconds;  // since the backend's own epoch

// What a backend provides to the scheduler.
class TimerHost {
 public:
  virtual ~TimerHost() = default;
  virtual TimePoint Now() = 0;
  // Call OnWake() once at `when` (or as soon as possible after it); nullopt
  // cancels. A new request replaces the previous one.
  virtual void RequestWake(std::optional<TimePoint> when) = 0;

  std::function<void()> OnWake;
};

class TimerScheduler;

class Timer {
 public:
  Timer(TimerScheduler& scheduler, bool enabled, int interval_ms);
  ~Timer();
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  int Interval() const { return interval_ms_; }
  void SetInterval(int interval_ms);

  // Raised on the user-interface thread each time the interval elapses.
  std::function<void()> OnTimer;

 private:
  friend class TimerScheduler;
  TimerScheduler& scheduler_;
  bool enabled_;
  int interval_ms_;
  std::optional<TimePoint> due_;
  std::uint64_t sequence_ = 0;  // orders timers due at the same moment
};

class TimerScheduler {
 public:
  explicit TimerScheduler(TimerHost& host);
  ~TimerScheduler();
  TimerScheduler(const TimerScheduler&) = delete;
  TimerScheduler& operator=(const TimerScheduler&) = delete;

  // Raises every event that is due, in due order, then asks the host to wake
  // it for the next one. Backends call it from TimerHost::OnWake.
  void FireDue();
  std::optional<TimePoint> NextDue() const;

  TimerHost& Host() { return host_; }

 private:
  friend class Timer;
  void Add(Timer* timer);
  void Remove(Timer* timer);
  void Restart(Timer& timer);  // the timer's state changed: start or stop its count
  Timer* EarliestDue() const;
  void RequestNextWake();

  TimerHost& host_;
  std::vector<Timer*> timers_;
  std::vector<TimePoint> ticks_being_handled_;  // due times, innermost last
  std::uint64_t next_sequence_ = 1;
  int firing_depth_ = 0;
};

}  // namespace platform
