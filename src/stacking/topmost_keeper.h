// The topmost keeper: once a second, unless the main window is in the
// foreground, the foreground window leaves the topmost band and the main
// window enters it. Neither is moved or resized.
#pragma once

#include "platform/backend.h"

namespace stacking {

// The Timer event of AlwaysOnTopTimer.
void AlwaysOnTopTimer_Timer(platform::WindowHandle main_window, platform::WindowStacking& user32);

}  // namespace stacking
