// The X server's idle clock and screen saver, through the MIT-SCREEN-SAVER
// extension: how long since the server last had input (XTEST presses
// included) and whether the screen saver is on. Lock screens on X start the
// screen saver, so it stands for the lock too.
#pragma once

#include "platform/backend.h"

namespace platform::x11 {

class Display;

class X11IdleClock {
 public:
  // Asks for the extension at once; its answer is looked at with the first
  // reading.
  explicit X11IdleClock(Display& display);
  // One round trip. Says once on stderr if the server has no idle clock.
  IdleReading Read();

 private:
  Display& display_;
  bool warned_ = false;
};

}  // namespace platform::x11
