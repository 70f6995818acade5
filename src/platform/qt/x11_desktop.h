// Stacking and key injection on an X11 desktop, spoken in plain xcb so they
// can be used and tested without the widget toolkit. Stacking goes through
// the EWMH window manager when one runs; keys go through the XTEST extension.
// Both classes stay silent and harmless on a missing or broken connection.
#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <optional>

#include "platform/backend.h"

namespace platform::qt {

class X11Stacking : public platform::WindowStacking {
 public:
  // Works on the root window of the connection's default screen.
  explicit X11Stacking(xcb_connection_t* connection);

  // The window manager's _NET_ACTIVE_WINDOW; 0 when unset or when no EWMH
  // window manager runs.
  platform::WindowHandle GetForegroundWindow() override;

  // HWND_TOPMOST adds _NET_WM_STATE_ABOVE, HWND_NOTOPMOST removes it. The
  // window is never moved or resized, whatever x, y, cx, cy and flags say.
  void SetWindowPos(platform::WindowHandle window, std::intptr_t insert_after, int x, int y, int cx,
                    int cy, unsigned flags) override;

 private:
  bool Usable() const;
  // The id of the EWMH check window of a running window manager, given the
  // root's _NET_SUPPORTING_WM_CHECK reply and, when one was cached, the reply
  // about the cached check window's own property.
  bool ResolveWindowManager(xcb_get_property_cookie_t root_check,
                            std::optional<xcb_get_property_cookie_t> cached_check);
  void AskWindowManager(xcb_window_t window, bool above);
  void EditUnmappedState(xcb_window_t window, xcb_get_property_reply_t* state, bool above);
  void RaiseWithoutWindowManager(xcb_window_t window);

  xcb_connection_t* connection_ = nullptr;
  xcb_window_t root_ = XCB_NONE;
  xcb_atom_t supporting_wm_check_ = XCB_NONE;
  xcb_atom_t active_window_ = XCB_NONE;
  xcb_atom_t wm_state_ = XCB_NONE;
  xcb_atom_t net_wm_state_ = XCB_NONE;
  xcb_atom_t net_wm_state_above_ = XCB_NONE;
  xcb_window_t wm_check_window_ = XCB_NONE;  // last check window seen valid
};

class X11Keys : public platform::KeyInjector {
 public:
  // Finds XTEST and the Num Lock key once; says once on stderr if it can't.
  explicit X11Keys(xcb_connection_t* connection);
  void PressNumLock() override;

 private:
  xcb_connection_t* connection_ = nullptr;
  xcb_keycode_t num_lock_ = 0;  // 0: keys can't be pressed here
};

}  // namespace platform::qt
