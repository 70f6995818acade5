// The Wayland session's own idle clock and lock, as the desktop publishes
// them on the session bus: how long since the compositor last had input
// (the emulated keyboard's presses included), asked once a tick with a
// short timeout; whether the screen saver or lock is on, followed from
// signals so that it costs the tick nothing.
#pragma once

#include <gio/gio.h>

#include <cstddef>
#include <memory>
#include <optional>

#include "platform/backend.h"
#include "platform/wayland_keys/logind_lock_watch.h"
#include "platform/wayland_keys/screen_saver_watch.h"

namespace platform::x11 {

class SessionIdleClock {
 public:
  SessionIdleClock();
  ~SessionIdleClock();
  SessionIdleClock(const SessionIdleClock&) = delete;
  SessionIdleClock& operator=(const SessionIdleClock&) = delete;

  // At most one call on the bus. No idle time while none is known.
  platform::IdleReading Read();
  // Every service was asked and none tells the idle time.
  bool NoneAnswers() const;

 private:
  std::optional<platform::Duration> AskIdleTime();
  bool Locked() const;

  GDBusConnection* bus_ = nullptr;
  std::unique_ptr<ScreenSaverWatch> gnome_saver_, desktop_saver_;
  LogindLockWatch logind_;
  std::size_t clock_ = 0;      // the service asked for the idle time
  gint64 quiet_until_us_ = 0;  // a service that did not answer in time rests till then
};

}  // namespace platform::x11
