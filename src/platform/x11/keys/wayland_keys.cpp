// Choosing and opening the Wayland route for Num Lock.
#include "platform/x11/keys/wayland_keys.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/x11/connection/event_loop.h"
#include "platform/x11/connection/program_module.h"
#include "platform/x11/connection/x11_display.h"
#include "platform/x11/connection/xcb_owners.h"
#include "platform/x11/keys/num_lock_route.h"
#include "platform/x11/keys/x11_keys.h"

namespace platform::x11 {

namespace {

constexpr char kXwayland[] = "XWAYLAND";

// $XDG_STATE_HOME/BRELLOCK-VARN-ON, the state folder of the XDG base
// directories; ~/.local/state when unset or not absolute.
std::string StateFolder() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state != nullptr && state[0] == '/') {
    return std::string(state) + "/BRELLOCK-VARN-ON";
  }
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : "") + "/.local/state/BRELLOCK-VARN-ON";
}

}  // namespace

bool OnWaylandThroughXwayland(Display& display) {
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if (wayland == nullptr || wayland[0] == '\0') {
    return false;
  }
  xcb_connection_t* c = display.Connection();
  const auto reply =
      Take(xcb_query_extension_reply, c, xcb_query_extension(c, std::strlen(kXwayland), kXwayland));
  return reply && reply->present != 0;
}

WaylandKeys::WaylandKeys(Display& display, EventLoop& loop) : display_(display), loop_(loop) {}

// The loop stops watching the route's files before the route goes.
WaylandKeys::~WaylandKeys() {
  if (route_) {
    loop_.Unwatch(route_.get());
  }
}

void WaylandKeys::Open() {
  opened_ = true;
  std::string why;
  using Make = NumLockRoute* (*)(const char*);
  const auto make = reinterpret_cast<Make>(
      ProgramModuleEntry("brellock-varn-on-wayland-keys.so", "varn_make_num_lock_route", why));
  if (make == nullptr) {
    std::fprintf(stderr,
                 "brellock-varn-on: on this Wayland session Num Lock reaches only Xwayland, not "
                 "the keyboard's light: this build has no remote input route (%s)\n",
                 why.c_str());
    xtest_ = std::make_unique<X11Keys>(display_);
    return;
  }
  loop_.DriveGlibMainContext();
  route_.reset(make(StateFolder().c_str()));
  loop_.Watch(route_.get());
}

void WaylandKeys::PressNumLock() {
  if (!opened_) {
    Open();
  }
  if (route_) {
    route_->PressNumLock();
  } else if (xtest_) {
    xtest_->PressNumLock();
  }
}

IdleReading WaylandKeys::ReadIdleClock() {
  if (!opened_) {
    Open();
  }
  if (route_) {
    return route_->ReadIdleClock();
  }
  return xtest_ ? xtest_->ReadIdleClock() : IdleReading{};
}

}  // namespace platform::x11
