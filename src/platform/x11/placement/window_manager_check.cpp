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

// While the check window last confirmed stands, the same window manager
// runs, and nothing need be asked: its end destroys the window, and the
// program hears of that. Otherwise the root is asked which one runs now.
void WindowManagerCheck::Ask() {
  if (asked_root_) {
    xcb_discard_reply(display_.Connection(), root_check_.sequence);  // never answered
  }
  asked_root_ = check_window_ == XCB_NONE;
  if (asked_root_) {
    root_check_ = xcb_ewmh_get_supporting_wm_check_unchecked(&display_.Ewmh(), display_.Root());
  }
}

bool WindowManagerCheck::Answer() {
  if (check_window_ != XCB_NONE) {
    return true;
  }
  if (!asked_root_) {
    Ask();  // the window went since the question
  }
  asked_root_ = false;
  xcb_connection_t* c = display_.Connection();
  const std::optional<xcb_window_t> named = WindowPropertyValue(c, root_check_);
  if (!named || *named == XCB_NONE) {
    return false;
  }
  // Its destruction is asked for before the window is asked to name itself:
  // a window that names itself then is there to be destroyed later. The same
  // events as the desktop settings ask of their owner, which may be this
  // window: each asking replaces the other's.
  const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
  xcb_change_window_attributes(c, *named, XCB_CW_EVENT_MASK, &events);
  const std::optional<xcb_window_t> confirmed =
      WindowPropertyValue(c, xcb_ewmh_get_supporting_wm_check_unchecked(&display_.Ewmh(), *named));
  if (confirmed == named) {
    check_window_ = *named;
  }
  return check_window_ != XCB_NONE;
}

void WindowManagerCheck::OnEvent(const xcb_generic_event_t& event) {
  if ((event.response_type & 0x7F) == XCB_DESTROY_NOTIFY &&
      reinterpret_cast<const xcb_destroy_notify_event_t&>(event).window == check_window_) {
    check_window_ = XCB_NONE;
  }
}

}  // namespace platform::x11
