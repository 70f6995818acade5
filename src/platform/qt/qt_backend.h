// The Linux backend: Qt 6 Widgets on X11. Needs a QApplication on the xcb
// platform to exist for as long as the backend does.
#pragma once

#include <xcb/xcb.h>

#include <QEventLoop>
#include <QMargins>
#include <QObject>
#include <memory>
#include <vector>

#include "platform/backend.h"
#include "qt_settings.h"
#include "termination_signals.h"
#include "wake_timer.h"

namespace platform::qt {

class QtWindow;
class X11Stacking;
class X11Keys;

class QtBackend final : public platform::Backend {
 public:
  QtBackend();
  ~QtBackend() override;
  QtBackend(const QtBackend&) = delete;
  QtBackend& operator=(const QtBackend&) = delete;

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

  // For the windows.
  xcb_connection_t* Connection() const { return connection_; }
  double TwipsPerPixel() const;
  // Runs `event` from the event loop once the current event is done with, and
  // only if `source` still exists then. The program may destroy the very
  // widget that saw the input, or run a modal loop, from inside `event`.
  void Deliver(QObject* source, std::function<void()> event);
  std::optional<QMargins> KnownFrame() const { return known_frame_; }
  void LearnFrame(const QMargins& frame) { known_frame_ = frame; }
  void Register(QtWindow* window);
  void Unregister(QtWindow* window);
  QtWindow* WindowWithId(xcb_window_t id) const;

 private:
  class WindowManagerFilter;
  void WakeTimerFired();
  void WakeModalLoops();
  void CloseAllWindows();

  xcb_connection_t* connection_ = nullptr;
  QObject dispatcher_;
  WakeTimer wake_timer_{[this] { WakeTimerFired(); }};
  std::optional<TimePoint> wake_at_;
  std::vector<QEventLoop*> modal_loops_;  // innermost last
  std::vector<QtWindow*> windows_;
  bool quit_requested_ = false;
  bool event_loop_running_ = false;
  std::optional<QMargins> known_frame_;
  std::unique_ptr<WindowManagerFilter> filter_;
  QtSettings settings_;
  std::unique_ptr<X11Stacking> stacking_;
  std::unique_ptr<X11Keys> keys_;
  TerminationSignals termination_{[this] { CloseAllWindows(); }};
};

}  // namespace platform::qt
