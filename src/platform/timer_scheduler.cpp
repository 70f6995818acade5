// When each window timer is due.
#include "platform/timer_scheduler.h"

#include <algorithm>

namespace platform {

Timer::Timer(TimerScheduler& scheduler, bool enabled, int interval_ms)
    : scheduler_(scheduler), enabled_(enabled), interval_ms_(interval_ms) {
  scheduler_.Add(this);
  scheduler_.Restart(*this);
}

Timer::~Timer() {
  scheduler_.Remove(this);
}

void Timer::SetEnabled(bool enabled) {
  if (enabled == enabled_) {
    return;  // enabling a running timer does not restart its count
  }
  enabled_ = enabled;
  scheduler_.Restart(*this);
}

void Timer::SetInterval(int interval_ms) {
  interval_ms_ = interval_ms;
  scheduler_.Restart(*this);
}

TimerScheduler::TimerScheduler(TimerHost& host) : host_(host) {
  host_.OnWake = [this] { FireDue(); };
}

TimerScheduler::~TimerScheduler() {
  host_.OnWake = nullptr;
  host_.RequestWake(std::nullopt);
}

void TimerScheduler::Add(Timer* timer) {
  timers_.push_back(timer);
}

void TimerScheduler::Remove(Timer* timer) {
  std::erase(timers_, timer);
  if (firing_depth_ == 0) {
    RequestNextWake();
  }
}

void TimerScheduler::Restart(Timer& timer) {
  if (!timer.enabled_ || timer.interval_ms_ <= 0) {
    timer.due_.reset();
  } else {
    const TimePoint now = host_.Now();
    const Duration interval = std::chrono::milliseconds(timer.interval_ms_);
    const TimePoint base = ticks_being_handled_.empty() ? now : ticks_being_handled_.back();
    TimePoint due = base + interval;
    if (due <= now) {
      due = now + interval;  // stalled for longer than an interval
    }
    timer.due_ = due;
    timer.sequence_ = next_sequence_++;
  }
  if (firing_depth_ == 0) {
    RequestNextWake();
  }
}

Timer* TimerScheduler::EarliestDue() const {
  Timer* earliest = nullptr;
  for (Timer* timer : timers_) {
    if (!timer->due_) {
      continue;
    }
    if (earliest == nullptr || *timer->due_ < *earliest->due_ ||
        (*timer->due_ == *earliest->due_ && timer->sequence_ < earliest->sequence_)) {
      earliest = timer;
    }
  }
  return earliest;
}

std::optional<TimePoint> TimerScheduler::NextDue() const {
  const Timer* earliest = EarliestDue();
  return earliest ? earliest->due_ : std::nullopt;
}

void TimerScheduler::FireDue() {
  ++firing_depth_;
  for (;;) {
    Timer* timer = EarliestDue();
    const TimePoint now = host_.Now();
    if (timer == nullptr || *timer->due_ > now) {
      break;
    }
    const TimePoint due = *timer->due_;
    // A timer left alone keeps firing: its next count runs from this due time.
    const Duration interval = std::chrono::milliseconds(timer->interval_ms_);
    TimePoint next = due + interval;
    if (next <= now) {
      next = now + interval;
    }
    timer->due_ = next;
    timer->sequence_ = next_sequence_++;

    ticks_being_handled_.push_back(due);
    // The handler may rewrite or even destroy its own timer; call a copy.
    if (std::function<void()> handler = timer->OnTimer) {
      handler();
    }
    ticks_being_handled_.pop_back();
  }
  --firing_depth_;
  RequestNextWake();
}

void TimerScheduler::RequestNextWake() {
  host_.RequestWake(NextDue());
}

}  // namespace platform
