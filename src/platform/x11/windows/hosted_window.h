// A top-level window of the program as the backend routes X events to it,
// whether the program draws it through XCB or GTK makes it.
#pragma once

#include <xcb/xcb.h>

namespace platform::x11 {

class HostedWindow {
 public:
  virtual xcb_window_t Id() const = 0;
  virtual bool Shown() const = 0;                    // mapped by the program
  virtual bool Owns(xcb_window_t window) const = 0;  // the window or one of its parts
  // An event for it, read on the program's connection. It may end in a call
  // to the program that destroys this object: nothing is touched after it.
  virtual void HandleEvent(const xcb_generic_event_t& event) = 0;
  virtual void CloseRequested() = 0;

 protected:
  ~HostedWindow() = default;
};

}  // namespace platform::x11
