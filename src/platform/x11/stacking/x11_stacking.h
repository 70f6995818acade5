// Stacking on an X11 desktop: through the EWMH window manager when one
// runs (the active window, and _NET_WM_STATE_ABOVE for the topmost band),
// silent and harmless when a window vanishes or the connection breaks.
#pragma once

#include <xcb/xcb.h>

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "platform/backend.h"
#include "platform/x11/placement/window_manager_check.h"

namespace platform::x11 {

class Display;

class X11Stacking : public platform::WindowStacking {
 public:
  // For a window of this program: whether it has been mapped; nullopt for
  // any other program's window.
  using OwnWindowShown = std::function<std::optional<bool>(xcb_window_t)>;

  X11Stacking(Display& display, OwnWindowShown own_window_shown)
      : display_(display), check_(display), own_window_shown_(std::move(own_window_shown)) {}
  ~X11Stacking() override;

  // The window manager's _NET_ACTIVE_WINDOW; 0 when unset or when no EWMH
  // window manager runs.
  platform::WindowHandle GetForegroundWindow() override;
  // HWND_TOPMOST adds _NET_WM_STATE_ABOVE, HWND_NOTOPMOST removes it. The
  // window is never moved or resized, whatever x, y, cx, cy and flags say.
  void SetWindowPos(platform::WindowHandle window, std::intptr_t insert_after, int x, int y, int cx,
                    int cy, unsigned flags) override;
  // Every event, before its window has it: the window manager's check
  // window going, and changes to the states of this program's windows.
  void OnEvent(const xcb_generic_event_t& event);

 private:
  // A _NET_WM_STATE question sent ahead, with the tick's other questions.
  struct StateAsked {
    xcb_window_t window = XCB_NONE;
    xcb_get_property_cookie_t cookie{};
  };

  bool Usable() const;
  bool Fresh() const;  // asked within this tick
  void ForgetStatesAsked();
  xcb_get_property_cookie_t StateCookie(xcb_window_t window);
  // _NET_WM_STATE; nullopt when the window has gone.
  std::optional<std::vector<xcb_atom_t>> States(xcb_get_property_cookie_t state);
  void EditUnmappedState(xcb_window_t window, std::vector<xcb_atom_t> atoms, bool above);

  Display& display_;
  WindowManagerCheck check_;
  OwnWindowShown own_window_shown_;
  // The keeper asks who is in front and then moves windows, all in one tick:
  // the answers given then still hold a moment later, and the states of the
  // windows it moved last time are asked with the first question, since the
  // same windows are usually moved again.
  std::chrono::steady_clock::time_point asked_at_{};
  bool managed_ = false;
  platform::WindowHandle foreground_ = 0;
  std::vector<StateAsked> states_asked_;
  // The states of this program's own windows as last read: the program hears
  // of every change to them (PropertyNotify), and reads them again after one.
  std::map<xcb_window_t, std::vector<xcb_atom_t>> own_states_;
  xcb_window_t last_demoted_ = XCB_NONE, last_promoted_ = XCB_NONE;
};

}  // namespace platform::x11
