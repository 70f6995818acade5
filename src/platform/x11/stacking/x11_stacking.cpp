// Stacking through the EWMH window manager, one batch of questions a tick.
#include "platform/x11/stacking/x11_stacking.h"

#include <xcb/xcb_ewmh.h>

#include <algorithm>
#include <vector>

#include "platform/x11/connection/x11_display.h"
#include "platform/x11/connection/xcb_owners.h"

namespace platform::x11 {

namespace {

constexpr auto kCheckLasts = std::chrono::milliseconds(100);

}  // namespace

X11Stacking::~X11Stacking() {
  ForgetStatesAsked();
}

bool X11Stacking::Usable() const {
  return xcb_connection_has_error(display_.Connection()) == 0;
}

bool X11Stacking::Fresh() const {
  return std::chrono::steady_clock::now() - asked_at_ < kCheckLasts;
}

void X11Stacking::ForgetStatesAsked() {
  for (const StateAsked& asked : states_asked_) {
    xcb_discard_reply(display_.Connection(), asked.cookie.sequence);
  }
  states_asked_.clear();
}

// One round trip a tick: the active window and the states of the windows
// moved last time go out together (with the window manager check, while no
// window manager is known to run).
platform::WindowHandle X11Stacking::GetForegroundWindow() {
  if (!Usable()) {
    return 0;
  }
  if (Fresh()) {
    return foreground_;  // asked again within the same tick
  }
  ForgetStatesAsked();
  check_.Ask();
  const auto active = xcb_ewmh_get_active_window_unchecked(&display_.Ewmh(), 0);
  for (const xcb_window_t window : {last_demoted_, last_promoted_}) {
    if (window != XCB_NONE && !own_states_.contains(window)) {
      states_asked_.push_back({window, xcb_ewmh_get_wm_state(&display_.Ewmh(), window)});
    }
  }
  managed_ = check_.Answer();
  asked_at_ = std::chrono::steady_clock::now();
  const auto window = WindowPropertyValue(display_.Connection(), active);
  foreground_ = managed_ && window ? *window : 0;
  return foreground_;
}

// The state asked with this tick's first question, or asked now.
xcb_get_property_cookie_t X11Stacking::StateCookie(xcb_window_t window) {
  const auto asked = std::ranges::find(states_asked_, window, &StateAsked::window);
  if (asked != states_asked_.end() && Fresh()) {
    const xcb_get_property_cookie_t cookie = asked->cookie;
    states_asked_.erase(asked);
    return cookie;
  }
  return xcb_ewmh_get_wm_state(&display_.Ewmh(), window);
}

void X11Stacking::SetWindowPos(platform::WindowHandle window, std::intptr_t insert_after, int, int,
                               int, int, unsigned) {
  const bool above = insert_after == platform::HWND_TOPMOST;
  if (window == 0 || window > UINT32_MAX || !Usable() ||
      (!above && insert_after != platform::HWND_NOTOPMOST)) {
    return;
  }
  xcb_connection_t* c = display_.Connection();
  xcb_ewmh_connection_t& ewmh = display_.Ewmh();
  const auto target = static_cast<xcb_window_t>(window);
  (above ? last_promoted_ : last_demoted_) = target;
  const bool fresh = Fresh();
  if (!fresh) {
    check_.Ask();
  }
  const std::optional<bool> own_shown = own_window_shown_(target);
  const auto known = own_states_.find(target);
  std::optional<xcb_get_property_cookie_t> state;
  if (!own_shown || known == own_states_.end()) {
    state = StateCookie(target);
  }
  const bool managed = fresh ? managed_ : check_.Answer();
  const std::optional<std::vector<xcb_atom_t>> states =
      state ? States(*state) : std::optional(known->second);
  if (!states) {
    return;  // gone: the next tick looks again
  }
  if (own_shown && state) {
    own_states_[target] = *states;
  }
  const bool has_above = std::ranges::count(*states, ewmh._NET_WM_STATE_ABOVE) > 0;
  if (!managed) {
    if (above) {
      // No always-on-top band without a window manager: the top of the stack
      // is the nearest there is, and there is nothing to demote from.
      const std::uint32_t mode = XCB_STACK_MODE_ABOVE;
      Discard(c, xcb_configure_window_checked(c, target, XCB_CONFIG_WINDOW_STACK_MODE, &mode));
    }
  } else if (own_shown == false) {
    EditUnmappedState(target, *states, above);
  } else if (has_above != above) {
    // Once mapped, the state is the window manager's to write: it is asked,
    // as a pager asks for the user. A window already where it should be is
    // left alone, so the window manager does not write the same state again.
    xcb_ewmh_request_change_wm_state(
        &ewmh, 0, target, above ? XCB_EWMH_WM_STATE_ADD : XCB_EWMH_WM_STATE_REMOVE,
        ewmh._NET_WM_STATE_ABOVE, XCB_NONE, XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER);
  }
  xcb_flush(c);
}

void X11Stacking::OnEvent(const xcb_generic_event_t& event) {
  check_.OnEvent(event);
  switch (event.response_type & 0x7F) {
    case XCB_PROPERTY_NOTIFY:
      if (const auto& notify = reinterpret_cast<const xcb_property_notify_event_t&>(event);
          notify.atom == display_.Ewmh()._NET_WM_STATE) {
        own_states_.erase(notify.window);
      }
      return;
    case XCB_DESTROY_NOTIFY:
      own_states_.erase(reinterpret_cast<const xcb_destroy_notify_event_t&>(event).window);
      return;
    default:
      return;
  }
}

std::optional<std::vector<xcb_atom_t>> X11Stacking::States(xcb_get_property_cookie_t state) {
  xcb_generic_error_t* error = nullptr;
  const ReplyPtr<xcb_get_property_reply_t> reply(
      xcb_get_property_reply(display_.Connection(), state, &error));
  std::free(error);
  if (!reply) {
    return std::nullopt;
  }
  std::vector<xcb_atom_t> atoms;
  if (reply->type == XCB_ATOM_ATOM && reply->format == 32) {
    const auto* values = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
    atoms.assign(values, values + xcb_get_property_value_length(reply.get()) / 4);
  }
  return atoms;
}

// A window not yet mapped gets the property itself, as its owner sets it
// before the window manager reads it at mapping.
void X11Stacking::EditUnmappedState(xcb_window_t window, std::vector<xcb_atom_t> atoms,
                                    bool above) {
  xcb_ewmh_connection_t& ewmh = display_.Ewmh();
  const bool has_above = std::ranges::find(atoms, ewmh._NET_WM_STATE_ABOVE) != atoms.end();
  if (has_above == above) {
    return;
  }
  if (above) {
    atoms.push_back(ewmh._NET_WM_STATE_ABOVE);
  } else {
    std::erase(atoms, ewmh._NET_WM_STATE_ABOVE);
  }
  Discard(ewmh.connection,
          xcb_ewmh_set_wm_state_checked(&ewmh, window, static_cast<std::uint32_t>(atoms.size()),
                                        atoms.data()));
}

}  // namespace platform::x11
