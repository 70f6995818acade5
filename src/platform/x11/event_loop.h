// The one wait of the Linux program: poll() on the X connection, an absolute
// timerfd for the program's timers and a signalfd for the end of the
// session. Nothing runs between the program's duties.
#pragma once

#include <xcb/xcb.h>

#include <deque>
#include <optional>

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

 private:
  void Dispatch(xcb_generic_event_t* event);

  xcb_connection_t* connection_;
  EventSink& sink_;
  int timer_fd_ = -1;
  int signal_fd_ = -1;
  std::optional<TimePoint> wake_at_;
  std::deque<xcb_generic_event_t*> kept_;
};

}  // namespace platform::x11
