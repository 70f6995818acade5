// The user32 calls newer than Windows 7 SP1 that the program makes, looked up
// by name on first use, each with the way Windows 7 does the same where this
// system lacks it. The import table names none of them, so the loader starts
// the executable on every Windows from 7 SP1 on.
#pragma once

#include "platform/win32/win32_api.h"

namespace platform::win32 {

// The DPI the window is drawn at: its monitor's where Windows keeps one per
// window (GetDpiForWindow, Windows 10 1607 on); elsewhere the system DPI,
// which Windows 7 to 8.1 draw the whole desktop at for a DPI-aware program.
UINT DpiOfWindow(HWND window);

// Grows `rect` from a client area to the rectangle of `window` around it,
// with the frame Windows draws for the window at `dpi`. Only per-monitor v2
// awareness (Windows 10 1703 on) draws frames at the window's own DPI
// (AdjustWindowRectExForDpi); Windows 7 and 8, and per-monitor v1 on 8.1 and
// 10 1607, draw every frame with the system DPI's metrics (AdjustWindowRectEx).
void AdjustWindowRectForDpi(HWND window, RECT& rect, UINT dpi);

// While a test holds one, every lookup finds nothing, as on Windows 7 SP1.
class NewerCallsHidden {
 public:
  NewerCallsHidden();
  ~NewerCallsHidden();
  NewerCallsHidden(const NewerCallsHidden&) = delete;
  NewerCallsHidden& operator=(const NewerCallsHidden&) = delete;
};

}  // namespace platform::win32
