// The poll() loop over the X connection, the timers and the session signals.
#include "platform/x11/connection/event_loop.h"

#include <poll.h>
#include <sys/signalfd.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>

#include "platform/x11/connection/glib_main_context.h"

namespace platform::x11 {

namespace {

constexpr int kSessionSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The ends of a session arrive as readable bytes on a signalfd, so the close
// runs in the event loop like any other event.
int SessionSignalFd() {
  sigset_t signals;
  sigemptyset(&signals);
  for (const int signal_number : kSessionSignals) {
    sigaddset(&signals, signal_number);
  }
  if (sigprocmask(SIG_BLOCK, &signals, nullptr) != 0) {
    return -1;
  }
  return signalfd(-1, &signals, SFD_NONBLOCK | SFD_CLOEXEC);
}

}  // namespace

EventLoop::EventLoop(xcb_connection_t* connection, EventSink& sink)
    : connection_(connection),
      sink_(sink),
      timer_fd_(timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC)),
      signal_fd_(SessionSignalFd()) {}

EventLoop::~EventLoop() {
  for (xcb_generic_event_t* event : kept_) {
    std::free(event);
  }
  if (timer_fd_ >= 0) {
    close(timer_fd_);
  }
  if (signal_fd_ >= 0) {
    close(signal_fd_);
  }
}

void EventLoop::WakeAt(std::optional<TimePoint> when) {
  if (when == wake_at_) {
    return;
  }
  wake_at_ = when;
  itimerspec due{};
  if (wake_at_) {
    // An all-zero time would disarm the timer; a moment already past fires
    // at once.
    const std::int64_t nanoseconds = std::max<std::int64_t>(1, wake_at_->count());
    due.it_value.tv_sec = static_cast<time_t>(nanoseconds / 1'000'000'000);
    due.it_value.tv_nsec = static_cast<long>(nanoseconds % 1'000'000'000);
  }
  timerfd_settime(timer_fd_, TFD_TIMER_ABSTIME, &due, nullptr);
}

void EventLoop::Watch(WatchedFiles* files) {
  if (std::ranges::find(watched_, files) == watched_.end()) {
    watched_.push_back(files);
  }
}

void EventLoop::Unwatch(WatchedFiles* files) {
  std::erase(watched_, files);
}

// GLib's sources are prepared before the others' files are asked for, so
// the others may use GLib meanwhile.
void EventLoop::DriveGlibMainContext() {
  if (!glib_) {
    glib_ = std::make_unique<GlibMainContext>();
    watched_.insert(watched_.begin(), glib_.get());
  }
}

void EventLoop::KeepForLater(xcb_generic_event_t* event) {
  kept_.push_back(event);
}

void EventLoop::Dispatch(xcb_generic_event_t* event) {
  sink_.OnEvent(*event);
  std::free(event);
}

// An X event, a timer due, or a signal ending the session.
void EventLoop::WaitAndDispatch() {
  if (!kept_.empty()) {
    xcb_generic_event_t* event = kept_.front();
    kept_.pop_front();
    Dispatch(event);
    return;
  }
  if (xcb_generic_event_t* event = xcb_poll_for_queued_event(connection_)) {
    Dispatch(event);
    return;
  }
  xcb_flush(connection_);
  if (xcb_connection_has_error(connection_) != 0) {
    sink_.OnConnectionLost();
    return;
  }
  // The list keeps its room from one wait to the next. A signal_fd_ of -1
  // is skipped by poll().
  std::vector<pollfd>& watched = files_;
  watched.assign({{xcb_get_file_descriptor(connection_), POLLIN, 0},
                  {timer_fd_, POLLIN, 0},
                  {signal_fd_, POLLIN, 0}});
  int timeout_ms = -1;
  // Each watcher's files follow the loop's own, in turn; a watcher may
  // stop watching while another handles its files, so the list is copied.
  const std::vector<WatchedFiles*> watchers = watched_;
  std::vector<std::size_t>& starts = starts_;
  starts.clear();
  for (WatchedFiles* files : watchers) {
    starts.push_back(watched.size());
    files->AddWatches(watched, timeout_ms);
  }
  starts.push_back(watched.size());
  const int ready = poll(watched.data(), watched.size(), timeout_ms);
  for (std::size_t i = 0; i < watchers.size(); ++i) {
    if (std::ranges::find(watched_, watchers[i]) != watched_.end()) {
      watchers[i]->OnWatched(std::span(watched).subspan(starts[i], starts[i + 1] - starts[i]));
    }
  }
  if (ready <= 0) {
    return;  // interrupted, or only a timeout of the watched files: look again
  }
  if ((watched[1].revents & POLLIN) != 0) {
    std::uint64_t expirations = 0;
    if (read(timer_fd_, &expirations, sizeof expirations) == sizeof expirations && wake_at_) {
      wake_at_.reset();
      sink_.OnTimersDue();
    }
  }
  if (signal_fd_ >= 0 && (watched[2].revents & POLLIN) != 0) {
    signalfd_siginfo received{};
    while (read(signal_fd_, &received, sizeof received) == sizeof received) {
    }
    sink_.OnSessionEnd();
  }
  if (watched[0].revents != 0) {
    if (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
      Dispatch(event);
    } else if (xcb_connection_has_error(connection_) != 0) {
      sink_.OnConnectionLost();
    }
  }
}

}  // namespace platform::x11
