// Stacking on Windows: the foreground window and the topmost band.
#include "platform/win32/win32_stacking.h"

#include "platform/win32/win32_api.h"

namespace platform::win32 {

WindowHandle Win32Stacking::GetForegroundWindow() {
  return reinterpret_cast<WindowHandle>(::GetForegroundWindow());
}

void Win32Stacking::SetWindowPos(WindowHandle window, std::intptr_t insert_after, int x, int y,
                                 int cx, int cy, unsigned flags) {
  // A window that has gone since it was looked up just makes the call fail.
  ::SetWindowPos(reinterpret_cast<HWND>(window), reinterpret_cast<HWND>(insert_after), x, y, cx, cy,
                 flags);
}

void Win32Keys::PressNumLock() {
  // Num Lock is an extended key: without the flag some keyboard layers take
  // it for Pause.
  const WORD scan = static_cast<WORD>(MapVirtualKeyW(VK_NUMLOCK, MAPVK_VK_TO_VSC));
  INPUT inputs[2]{};
  for (INPUT& input : inputs) {
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = VK_NUMLOCK;
    input.ki.wScan = scan;
    input.ki.dwFlags = KEYEVENTF_EXTENDEDKEY;
  }
  inputs[1].ki.dwFlags |= KEYEVENTF_KEYUP;
  SendInput(2, inputs, sizeof(INPUT));
}

}  // namespace platform::win32
