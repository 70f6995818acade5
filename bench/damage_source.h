// The watcher's view of the screen: one X connection with a DAMAGE record on
// the root window, which reports drawing in every window as raw rectangles
// in root coordinates, each stamped with the monotonic time it was read.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>

#include <vector>

#include "step_bursts.h"
#include "x11_windows.h"

namespace bench {

inline constexpr Nanos kMs = 1'000'000;
inline constexpr Nanos kSecond = 1'000'000'000;

Nanos Now();  // CLOCK_MONOTONIC

struct Drawn {
  Nanos when;
  Rect area;
};

class DamageSource {
 public:
  DamageSource();  // exits with a message when there is no display or no DAMAGE
  ~DamageSource();
  DamageSource(const DamageSource&) = delete;
  DamageSource& operator=(const DamageSource&) = delete;

  Display* display() const { return display_; }

  // Waits until `deadline` at the latest and returns what arrived.
  std::vector<Drawn> Wait(Nanos deadline);

 private:
  Display* display_ = nullptr;
  int event_base_ = 0;
  Damage damage_ = 0;
};

}  // namespace bench
