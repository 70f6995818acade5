// The Linux backend: XCB on one thread. It holds the program's windows and
// routes each X event to the one it is for; the waiting is the event loop's,
// the About window's controls the GTK module's.
#pragma once

#include <xcb/xcb.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/ini_settings/ini_settings.h"
#include "platform/x11/connection/desktop_settings.h"
#include "platform/x11/connection/event_loop.h"
#include "platform/x11/connection/x11_display.h"
#include "platform/x11/windows/gtk_module.h"
#include "platform/x11/windows/modal_stack.h"
#include "platform/x11/windows/window_host.h"

namespace platform::x11 {

class HostedWindow;
class X11Stacking;

class X11Backend final : public platform::Backend, private WindowHost, private EventSink {
 public:
  // Needs a working display (Display::Ok()).
  explicit X11Backend(Display& display);
  ~X11Backend() override;
  X11Backend(const X11Backend&) = delete;
  X11Backend& operator=(const X11Backend&) = delete;

  // TimerHost
  TimePoint Now() override;
  void RequestWake(std::optional<TimePoint> when) override { loop_.WakeAt(when); }

  // Backend
  std::unique_ptr<NativeWindow> CreateNativeWindow(const FormDesign& design,
                                                   WindowEvents& events) override;
  void RunEventLoop() override;
  void QuitEventLoop() override { quit_requested_ = true; }
  void RunModalLoop(const std::function<bool()>& finished) override;
  SettingsStore& Settings() override { return settings_; }
  WindowStacking& Stacking() override;
  KeyInjector& Keys() override;

  // Set when the X server went away; the program then ends with status 1.
  bool LostDisplay() const { return lost_display_; }

 private:
  // WindowHost
  Display& X() override { return display_; }
  double TwipsPerPixel() const override;
  std::unique_ptr<gtk_about::GtkForm> MakeGtkForm(const FormDesign& design,
                                                  WindowEvents& events) override;
  bool FrameExtentsRequestsAnswered() const override { return frame_extents_requests_answered_; }
  DoubleClickLimits DesktopDoubleClick() override { return desktop_settings_.DoubleClick(); }
  xcb_timestamp_t LastInputTime() const override { return last_input_time_; }
  void KeepForLater(xcb_generic_event_t* event) override { loop_.KeepForLater(event); }
  void Register(HostedWindow* window) override;
  void Unregister(HostedWindow* window) override;
  void BeginModal(HostedWindow* window) override { modal_.Push(window); }
  bool TakesInput(const HostedWindow* window) const override { return modal_.TakesInput(window); }

  // EventSink
  void OnEvent(const xcb_generic_event_t& event) override;
  void OnTimersDue() override;
  void OnSessionEnd() override;
  void OnConnectionLost() override;

  HostedWindow* WindowFor(xcb_window_t id) const;

  Display& display_;
  bool frame_extents_requests_answered_ = false;
  bool quit_requested_ = false;
  bool lost_display_ = false;
  EventLoop loop_;
  GtkModule gtk_;
  DesktopSettings desktop_settings_;
  xcb_timestamp_t last_input_time_ = XCB_CURRENT_TIME;
  std::vector<HostedWindow*> windows_;
  ModalStack modal_;
  IniSettings settings_;
  std::unique_ptr<X11Stacking> stacking_;
  std::unique_ptr<KeyInjector> keys_;  // XTEST, or the Wayland route
};

}  // namespace platform::x11
