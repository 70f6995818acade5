// Window stacking and the Num Lock key, straight onto the user32 calls.
#pragma once

#include "platform/backend.h"

namespace platform::win32 {

class Win32Stacking : public WindowStacking {
 public:
  WindowHandle GetForegroundWindow() override;
  void SetWindowPos(WindowHandle window, std::intptr_t insert_after, int x, int y, int cx, int cy,
                    unsigned flags) override;
};

class Win32Keys : public KeyInjector {
 public:
  void PressNumLock() override;
  // The last input the system counted (GetLastInputInfo, which SendInput
  // resets too), and whether the screen saver runs or the lock screen has
  // the input.
  IdleReading ReadIdleClock() override;
};

}  // namespace platform::win32
