// Whether an EWMH window manager runs, through _NET_SUPPORTING_WM_CHECK.
#include "platform/x11/placement/window_manager_check.h"

#include <xcb/xcb_ewmh.h>

#include "platform/x11/connection/x11_display.h"
#include "platform/x11/connection/xcb_owners.h"

namespace platform::x11 {

std::optional<xcb_window_t> WindowPropertyValue(xcb_connection_t* connection,
                                                xcb_get_property_cookie_t cookie) {
  const auto reply = Take(xcb_get_property_reply, connection, cookie);
  if (!reply || reply->type != XCB_ATOM_WINDOW || reply->format != 32 ||
      xcb_get_property_value_length(reply.get()) < 4) {
    return std::nullopt;
  }
  return *static_cast<const xcb_window_t*>(xcb_get_property_value(reply.get()));
}

// While the check window last seen still names itself, the same window
// manager runs: one question. Otherwise the root is asked which one runs now.
void WindowManagerCheck::Ask() {
  xcb_ewmh_connection_t& ewmh = display_.Ewmh();
  if (check_window_ != XCB_NONE) {
    cached_check_ = xcb_ewmh_get_supporting_wm_check_unchecked(&ewmh, check_window_);
  } else {
    cached_check_.reset();
    root_check_ = xcb_ewmh_get_supporting_wm_check_unchecked(&ewmh, display_.Root());
  }
}

bool WindowManagerCheck::Answer() {
  xcb_connection_t* c = display_.Connection();
  if (cached_check_) {
    if (WindowPropertyValue(c, *cached_check_) == check_window_) {
      return true;
    }
    // Gone, or another window manager took over: look again from the root.
    root_check_ = xcb_ewmh_get_supporting_wm_check_unchecked(&display_.Ewmh(), display_.Root());
  }
  const std::optional<xcb_window_t> named = WindowPropertyValue(c, root_check_);
  check_window_ = XCB_NONE;
  if (!named || *named == XCB_NONE) {
    return false;
  }
  const std::optional<xcb_window_t> confirmed =
      WindowPropertyValue(c, xcb_ewmh_get_supporting_wm_check_unchecked(&display_.Ewmh(), *named));
  if (confirmed == named) {
    check_window_ = *named;
  }
  return check_window_ != XCB_NONE;
}

}  // namespace platform::x11
