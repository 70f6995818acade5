// Wakes the program's timer scheduler at an exact moment. Linux timerfd is
// armed at the absolute due time on the monotonic clock the scheduler reads,
// so a step lands within the kernel's timer slack of its due time instead of
// up to a millisecond late, as a whole-millisecond QTimer would.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <functional>
#include <memory>

#include "platform/timer_scheduler.h"

namespace platform::qt {

class WakeTimer {
 public:
  explicit WakeTimer(std::function<void()> on_expiry);
  ~WakeTimer();
  WakeTimer(const WakeTimer&) = delete;
  WakeTimer& operator=(const WakeTimer&) = delete;

  // `when` is on std::chrono::steady_clock, as the backend's Now().
  void ArmAt(TimePoint when);
  void Cancel();

 private:
  void Expired();

  std::function<void()> on_expiry_;
  int timer_fd_ = -1;
  std::unique_ptr<QSocketNotifier> notifier_;
  QTimer fallback_;  // where no timerfd can be had: whole milliseconds, rounded up
};

}  // namespace platform::qt
