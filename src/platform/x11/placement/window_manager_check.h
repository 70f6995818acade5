// Whether an EWMH window manager runs now, asked in two steps so the
// question can travel with others.
#pragma once

#include <xcb/xcb.h>

#include <optional>

namespace platform::x11 {

class Display;

// A property of type WINDOW; nullopt when unset, of another type, or when the
// window has gone.
std::optional<xcb_window_t> WindowPropertyValue(xcb_connection_t* connection,
                                                xcb_get_property_cookie_t cookie);

// Whether an EWMH window manager runs now: the root names a check window,
// and that window names itself, and has not been destroyed since. A stale
// root property left by a window manager that died points at a window that
// is gone or says nothing.
class WindowManagerCheck {
 public:
  explicit WindowManagerCheck(Display& display) : display_(display) {}
  // Ask, then Answer: the questions go out with the caller's own.
  void Ask();
  bool Answer();
  // Hears the check window's destruction.
  void OnEvent(const xcb_generic_event_t& event);

 private:
  Display& display_;
  xcb_get_property_cookie_t root_check_{};
  bool asked_root_ = false;
  xcb_window_t check_window_ = XCB_NONE;  // confirmed, and not destroyed since
};

}  // namespace platform::x11
