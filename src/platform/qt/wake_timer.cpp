#include "wake_timer.h"

#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>

namespace platform::qt {

WakeTimer::WakeTimer(std::function<void()> on_expiry) : on_expiry_(std::move(on_expiry)) {
  // steady_clock is CLOCK_MONOTONIC on Linux, so due times need no conversion.
  timer_fd_ = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
  if (timer_fd_ >= 0) {
    notifier_ = std::make_unique<QSocketNotifier>(timer_fd_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                     [this] { Expired(); });
  } else {
    fallback_.setSingleShot(true);
    fallback_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&fallback_, &QTimer::timeout, &fallback_, [this] { on_expiry_(); });
  }
}

WakeTimer::~WakeTimer() {
  notifier_.reset();
  if (timer_fd_ >= 0) {
    close(timer_fd_);
  }
}

void WakeTimer::ArmAt(TimePoint when) {
  if (timer_fd_ < 0) {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    fallback_.start(std::chrono::ceil<std::chrono::milliseconds>(
        std::max(Duration::zero(), when - std::chrono::duration_cast<Duration>(now))));
    return;
  }
  // An all-zero time would disarm the timer; a moment already past fires at once.
  const std::int64_t nanoseconds = std::max<std::int64_t>(1, when.count());
  itimerspec due{};
  due.it_value.tv_sec = static_cast<time_t>(nanoseconds / 1'000'000'000);
  due.it_value.tv_nsec = static_cast<long>(nanoseconds % 1'000'000'000);
  timerfd_settime(timer_fd_, TFD_TIMER_ABSTIME, &due, nullptr);
}

void WakeTimer::Cancel() {
  if (timer_fd_ < 0) {
    fallback_.stop();
    return;
  }
  const itimerspec disarmed{};
  timerfd_settime(timer_fd_, 0, &disarmed, nullptr);
}

void WakeTimer::Expired() {
  std::uint64_t expirations = 0;
  if (read(timer_fd_, &expirations, sizeof expirations) != sizeof expirations) {
    return;  // re-armed or cancelled since it became readable
  }
  on_expiry_();
}

}  // namespace platform::qt
