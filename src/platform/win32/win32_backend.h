// The Win32 backend: windows, one message loop that also serves the timer
// scheduler, the registry, stacking and keys.
#pragma once

#include "platform/win32/win32_api.h"

#include "platform/backend.h"
#include "platform/win32/handles.h"
#include "platform/win32/win32_settings.h"
#include "platform/win32/win32_stacking.h"

namespace platform::win32 {

class Win32Backend : public Backend {
 public:
  explicit Win32Backend(HINSTANCE instance = GetModuleHandleW(nullptr));
  ~Win32Backend() override;
  Win32Backend(const Win32Backend&) = delete;
  Win32Backend& operator=(const Win32Backend&) = delete;

  // TimerHost
  TimePoint Now() override;
  void RequestWake(std::optional<TimePoint> when) override;

  // Backend
  std::unique_ptr<NativeWindow> CreateNativeWindow(const FormDesign& design,
                                                   WindowEvents& events) override;
  void RunEventLoop() override;
  void QuitEventLoop() override { quit_requested_ = true; }
  void RunModalLoop(const std::function<bool()>& finished) override;
  SettingsStore& Settings() override { return settings_; }
  WindowStacking& Stacking() override { return stacking_; }
  KeyInjector& Keys() override { return keys_; }

  // True when the precise waitable timer could be made (else SetTimer).
  bool HasWaitableTimer() const { return static_cast<bool>(wake_timer_); }

 private:
  // Waits for and handles one thing: a due wake or one message.
  void RunOnce();
  void ArmWake();
  void DeliverWakeIfDue();
  bool PreTranslate(const MSG& message);

  HINSTANCE instance_;
  bool com_initialised_ = false;
  LARGE_INTEGER frequency_{};
  UniqueKernelHandle wake_timer_;
  UINT_PTR fallback_timer_ = 0;
  std::optional<TimePoint> wake_;
  bool quit_requested_ = false;
  Win32Settings settings_;
  Win32Stacking stacking_;
  Win32Keys keys_;
};

}  // namespace platform::win32
