// The one wait of the Linux program: poll() on the X connection, an absolute
// timerfd for the program's timers and a signalfd for the end of the
// session. Nothing runs between the program's duties.
#pragma once

#include <poll.h>
#include <xcb/xcb.h>

#include <deque>
#include <optional>
#include <span>
#include <vector>

#include "platform/timer_scheduler.h"

namespace platform::x11 {

// Where the loop hands what happened.
class EventSink {
 public:
  virtual void OnEvent(const xcb_generic_event_t& event) = 0;
  virtual void OnTimersDue() = 0;
  virtual void OnSessionEnd() = 0;  // SIGTERM, SIGINT or SIGHUP
  virtual void OnConnectionLost() = 0;

 protected:
  ~EventSink() = default;
};

// Files someone else needs watched along with the loop's own, such as the
// connections of a module loaded later.
class WatchedFiles {
 public:
  // Just before the wait: the files and the longest wait (-1: no limit).
  virtual void AddWatches(std::vector<pollfd>& files, int& timeout_ms) = 0;
  // Just after it, with what became of the files added.
  virtual void OnWatched(std::span<const pollfd> files) = 0;

 protected:
  ~WatchedFiles() = default;
};

class EventLoop {
 public:
  EventLoop(xcb_connection_t* connection, EventSink& sink);
  ~EventLoop();
  EventLoop(const EventLoop&) = delete;
  EventLoop& operator=(const EventLoop&) = delete;

  // On the monotonic clock, as steady_clock counts it; nullopt: no timer.
  void WakeAt(std::optional<TimePoint> when);
  // An event read while waiting for something else; handled next, in order.
  void KeepForLater(xcb_generic_event_t* event);
  // Handles what is already here, else waits for the next thing to happen.
  void WaitAndDispatch();
  void Watch(WatchedFiles* files) { watched_ = files; }

 private:
  void Dispatch(xcb_generic_event_t* event);

  xcb_connection_t* connection_;
  EventSink& sink_;
  int timer_fd_ = -1;
  int signal_fd_ = -1;
  std::optional<TimePoint> wake_at_;
  std::deque<xcb_generic_event_t*> kept_;
  WatchedFiles* watched_ = nullptr;
  std::vector<pollfd> files_;  // this wait's
};

}  // namespace platform::x11
