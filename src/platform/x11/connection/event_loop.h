// The one wait of the Linux program: poll() on the X connection, an absolute
// timerfd for the program's timers and a signalfd for the end of the
// session. Nothing runs between the program's duties.
#pragma once

#include <poll.h>
#include <xcb/xcb.h>

#include <deque>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "platform/timer_scheduler.h"
#include "platform/x11/connection/watched_files.h"

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
  // Files watched along with the loop's own, in the order given, until
  // Unwatch.
  void Watch(WatchedFiles* files);
  void Unwatch(WatchedFiles* files);
  // From now on GLib's default main context runs inside the wait (once
  // asked, for the rest of the run).
  void DriveGlibMainContext();

 private:
  void Dispatch(xcb_generic_event_t* event);

  xcb_connection_t* connection_;
  EventSink& sink_;
  int timer_fd_ = -1;
  int signal_fd_ = -1;
  std::optional<TimePoint> wake_at_;
  std::deque<xcb_generic_event_t*> kept_;
  std::vector<WatchedFiles*> watched_;
  std::unique_ptr<WatchedFiles> glib_;
  std::vector<pollfd> files_;        // this wait's
  std::vector<std::size_t> starts_;  // where each watcher's files begin in it
};

}  // namespace platform::x11
