// Key injection on X11: the Num Lock key pressed and released through the
// XTEST extension; silent where it cannot be.
#pragma once

#include <xcb/xcb.h>

#include "platform/backend.h"
#include "platform/x11/keys/x11_idle_clock.h"

namespace platform::x11 {

class Display;

class X11Keys : public platform::KeyInjector {
 public:
  // Asks for XTEST at once but awaits nothing: the answer, and the Num Lock
  // key, are looked at with the first press, so the window shows without
  // waiting on them. Says once on stderr if keys can't be pressed.
  explicit X11Keys(Display& display);
  void PressNumLock() override;
  IdleReading ReadIdleClock() override { return idle_clock_.Read(); }

 private:
  void FindNumLock();

  Display& display_;
  bool looked_ = false;
  xcb_keycode_t num_lock_ = 0;  // 0: keys can't be pressed here
  X11IdleClock idle_clock_;
};

}  // namespace platform::x11
