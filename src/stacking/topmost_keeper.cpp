#include "stacking/topmost_keeper.h"

namespace stacking {

void AlwaysOnTopTimer_Timer(platform::WindowHandle main_window, platform::WindowStacking& user32) {
  using platform::SWP_NOMOVE;
  using platform::SWP_NOSIZE;
  if (user32.GetForegroundWindow() == main_window) {
    return;
  }
  // Asked again for the demotion; a window that has gone meanwhile just makes
  // the call fail, and the next tick looks again.
  const platform::WindowHandle foreground = user32.GetForegroundWindow();
  user32.SetWindowPos(foreground, platform::HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
  user32.SetWindowPos(main_window, platform::HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
}

}  // namespace stacking
