// Key injection on X11: the Num Lock key pressed and released through the
// XTEST extension; silent where it cannot be.
#pragma once

#include <xcb/xcb.h>

#include "platform/backend.h"

namespace platform::x11 {

class Display;

class X11Keys : public platform::KeyInjector {
 public:
  // Finds XTEST and the Num Lock key once; says once on stderr if it can't.
  explicit X11Keys(Display& display);
  void PressNumLock() override;

 private:
  Display& display_;
  xcb_keycode_t num_lock_ = 0;  // 0: keys can't be pressed here
};

}  // namespace platform::x11
