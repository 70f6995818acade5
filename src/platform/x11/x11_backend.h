// The Linux backend: XCB on one thread. One poll() waits on the X
// connection, an absolute timerfd for the program's timers and a signalfd
// for the end of the session; nothing runs between the program's duties.
#pragma once

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/x11/ini_settings.h"
#include "platform/x11/x11_display.h"
#include "platform/x11/xcb_owners.h"

namespace platform::x11 {

class ControlArt;
class X11Window;
class X11Stacking;
class X11Keys;
struct FrameExtents;

class X11Backend final : public platform::Backend {
 public:
  // Needs a working display (Display::Ok()).
  explicit X11Backend(Display& display);
  ~X11Backend() override;
  X11Backend(const X11Backend&) = delete;
  X11Backend& operator=(const X11Backend&) = delete;

  // TimerHost
  TimePoint Now() override;
  void RequestWake(std::optional<TimePoint> when) override;

  // Backend
  std::unique_ptr<NativeWindow> CreateNativeWindow(const FormDesign& design,
                                                   WindowEvents& events) override;
  void RunEventLoop() override;
  void QuitEventLoop() override;
  void RunModalLoop(const std::function<bool()>& finished) override;
  SettingsStore& Settings() override { return settings_; }
  WindowStacking& Stacking() override;
  KeyInjector& Keys() override;

  // Set when the X server went away; the program then ends with status 1.
  bool LostDisplay() const { return lost_display_; }

  // For the windows.
  Display& X() { return display_; }
  xcb_connection_t* Connection() const { return display_.Connection(); }
  double TwipsPerPixel() const;
  bool WindowManagerRuns() const { return window_manager_runs_; }
  // _NET_REQUEST_FRAME_EXTENTS is listed in _NET_SUPPORTED.
  bool FrameExtentsRequestsAnswered() const { return frame_extents_requests_answered_; }
  ControlArt* Art();  // loaded on first use; nullptr when it can't be
  xcb_keysym_t KeySym(const xcb_key_press_event_t& event);
  void Register(X11Window* window);
  void Unregister(X11Window* window);
  // Modal windows, innermost last: only the innermost takes input.
  void BeginModal(X11Window* window);
  bool TakesInput(const X11Window* window) const;
  // Waits a little for the window manager's answer to
  // _NET_REQUEST_FRAME_EXTENTS, keeping every other event for later.
  std::optional<FrameExtents> AwaitFrameExtents(xcb_window_t window);
  // Offers `text` as the PRIMARY or CLIPBOARD selection.
  void OwnSelection(xcb_atom_t selection, std::string text, xcb_timestamp_t time);

 private:
  void WaitAndDispatch();
  void Dispatch(const xcb_generic_event_t& event);
  void OnSelectionRequest(const xcb_selection_request_event_t& request);
  void CloseAllWindows();
  void ConnectionLost();
  X11Window* WindowFor(xcb_window_t id) const;

  Display& display_;
  bool window_manager_runs_ = false;
  bool frame_extents_requests_answered_ = false;
  int timer_fd_ = -1;
  int signal_fd_ = -1;
  std::optional<TimePoint> wake_at_;
  bool quit_requested_ = false;
  bool lost_display_ = false;
  std::vector<X11Window*> windows_;
  std::vector<X11Window*> modal_;
  std::vector<xcb_generic_event_t*> deferred_;  // read while waiting; handled next
  std::unique_ptr<xcb_key_symbols_t, void (*)(xcb_key_symbols_t*)> key_symbols_;
  void* art_module_ = nullptr;
  std::unique_ptr<ControlArt> art_;
  bool art_tried_ = false;
  OwnedWindow selection_owner_;
  std::string primary_text_, clipboard_text_;
  IniSettings settings_;
  std::unique_ptr<X11Stacking> stacking_;
  std::unique_ptr<X11Keys> keys_;
};

}  // namespace platform::x11
