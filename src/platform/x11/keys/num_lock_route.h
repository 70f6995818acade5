// Num Lock on a Wayland session, where the program is an Xwayland client:
// XTEST there only toggles Xwayland's own Num Lock, never the compositor's,
// whose state drives the keyboard's light. The route goes through the
// desktop's RemoteDesktop portal, which asks the user once, and an emulated
// keyboard over libei. A module of its own, loaded at the first press on
// such a session, so that nothing of it is mapped elsewhere.
#pragma once

#include "platform/backend.h"
#include "platform/x11/connection/watched_files.h"

namespace platform::x11 {

class NumLockRoute : public WatchedFiles {
 public:
  virtual ~NumLockRoute() = default;
  // One press and release of Num Lock, in one frame each; nothing while the
  // route is not (or no longer) open.
  virtual void PressNumLock() = 0;
  // The desktop's own idle clock and lock, which count the emulated
  // keyboard's presses; no idle time where the desktop has none to read.
  virtual platform::IdleReading ReadIdleClock() = 0;
};

}  // namespace platform::x11

// The module's one entry point, looked up by name. `state_folder` keeps the
// portal's restore token and a refusal between runs.
extern "C" platform::x11::NumLockRoute* varn_make_num_lock_route(const char* state_folder);
