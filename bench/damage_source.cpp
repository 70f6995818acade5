#include "damage_source.h"

#include <poll.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace bench {

Nanos Now() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return Nanos{ts.tv_sec} * kSecond + ts.tv_nsec;
}

DamageSource::DamageSource() {
  display_ = XOpenDisplay(nullptr);
  if (display_ == nullptr) {
    std::fprintf(stderr, "damage_watch: cannot open the display\n");
    std::exit(2);
  }
  int error_base = 0;
  if (!XDamageQueryExtension(display_, &event_base_, &error_base)) {
    std::fprintf(stderr, "damage_watch: the X server has no DAMAGE extension\n");
    std::exit(2);
  }
  int major = 1, minor = 1;
  XDamageQueryVersion(display_, &major, &minor);
  damage_ = XDamageCreate(display_, DefaultRootWindow(display_), XDamageReportRawRectangles);
  XSync(display_, False);
  // A new damage record reports the whole screen once; that is not drawing.
  Wait(Now());
}

DamageSource::~DamageSource() {
  XDamageDestroy(display_, damage_);
  XCloseDisplay(display_);
}

std::vector<Drawn> DamageSource::Wait(Nanos deadline) {
  std::vector<Drawn> arrived;
  if (XPending(display_) == 0) {
    const Nanos wait = std::max<Nanos>(0, deadline - Now());
    const timespec timeout{static_cast<time_t>(wait / kSecond), static_cast<long>(wait % kSecond)};
    pollfd fd{ConnectionNumber(display_), POLLIN, 0};
    ppoll(&fd, 1, &timeout, nullptr);
  }
  const Nanos now = Now();
  while (XPending(display_) > 0) {
    XEvent event;
    XNextEvent(display_, &event);
    if (event.type == event_base_ + XDamageNotify) {
      const auto& notify = reinterpret_cast<const XDamageNotifyEvent&>(event);
      arrived.push_back(
          {now, {notify.area.x, notify.area.y, notify.area.width, notify.area.height}});
    }
  }
  return arrived;
}

}  // namespace bench
