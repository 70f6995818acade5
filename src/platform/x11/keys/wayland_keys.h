// Num Lock for a program that is an Xwayland client of a Wayland session:
// pressed through the Wayland route (the portal and libei), loaded at the
// first press, whose connections the event loop then watches. Where this
// build has no such route, XTEST as on any X server, and one line says the
// light will not blink.
#pragma once

#include <memory>

#include "platform/backend.h"

namespace platform::x11 {

class Display;
class EventLoop;
class NumLockRoute;
class X11Keys;

// A Wayland display in the environment, and an X server that is Xwayland.
bool OnWaylandThroughXwayland(Display& display);

class WaylandKeys : public platform::KeyInjector {
 public:
  WaylandKeys(Display& display, EventLoop& loop);
  ~WaylandKeys() override;
  void PressNumLock() override;
  // The desktop's idle clock where the route is open: Xwayland's counts
  // only what X programs are sent.
  IdleReading ReadIdleClock() override;

 private:
  void Open();

  Display& display_;
  EventLoop& loop_;
  bool opened_ = false;
  std::unique_ptr<NumLockRoute> route_;  // made by the module
  std::unique_ptr<X11Keys> xtest_;       // without the module
};

}  // namespace platform::x11
