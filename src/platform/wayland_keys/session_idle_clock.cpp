// The desktop's idle clock and lock over the session bus, through GDBus.
#include "platform/wayland_keys/session_idle_clock.h"

#include <chrono>
#include <iterator>

namespace platform::x11 {

namespace {

// The services that tell the session's idle time, in the order tried: the
// first that answers is kept for the run.
struct IdleTimeService {
  const char* name;
  const char* path;
  const char* method;
  const char* reply;  // milliseconds, as an unsigned number
};
constexpr IdleTimeService kIdleTimeServices[] = {
    // GNOME: mutter's own monitor of the core (all-device) idle time.
    {"org.gnome.Mutter.IdleMonitor", "/org/gnome/Mutter/IdleMonitor/Core", "GetIdletime", "(t)"},
    // KDE and others. KDE answers with KIdleTime's idle time, which is in
    // milliseconds (the interface's description names the number
    // "seconds"); KDE's own Wayland sessions refuse it (NotSupported), and
    // then there is no idle clock to be read.
    {"org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver", "GetSessionIdleTime", "(u)"},
};
constexpr std::size_t kNoService = std::size(kIdleTimeServices);

// Long enough for a desktop busy with its frames, short enough that a hung
// service costs the lamps at most a couple of steps.
constexpr int kTimeoutMs = 250;
// A service that did not answer in time is not asked again for this long,
// so a hung one stalls the program's loop once in a while, not every tick.
constexpr gint64 kRestAfterTimeoutUs = 10'000'000;

// The answer that says this service (or this call of it) is not there to
// be asked, rather than that it failed this once.
bool NotThere(const GError* error) {
  return g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_SERVICE_UNKNOWN) ||
         g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_NAME_HAS_NO_OWNER) ||
         g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_METHOD) ||
         g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_OBJECT) ||
         g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_INTERFACE) ||
         g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_NOT_SUPPORTED) ||
         g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_INVALID_ARGS) ||
         g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_ACCESS_DENIED) ||
         g_error_matches(error, G_IO_ERROR, G_IO_ERROR_INVALID_ARGUMENT);
}

}  // namespace

// The session bus is the one the portal already holds.
SessionIdleClock::SessionIdleClock() {
  bus_ = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  if (bus_ == nullptr) {
    clock_ = kNoService;
    return;
  }
  gnome_saver_ =
      std::make_unique<ScreenSaverWatch>(bus_, "org.gnome.ScreenSaver", "/org/gnome/ScreenSaver");
  desktop_saver_ = std::make_unique<ScreenSaverWatch>(bus_, "org.freedesktop.ScreenSaver",
                                                      "/org/freedesktop/ScreenSaver");
}

SessionIdleClock::~SessionIdleClock() {
  gnome_saver_.reset();
  desktop_saver_.reset();
  if (bus_ != nullptr) {
    g_object_unref(bus_);
  }
}

bool SessionIdleClock::Locked() const {
  return (gnome_saver_ && gnome_saver_->Active()) || (desktop_saver_ && desktop_saver_->Active()) ||
         logind_.Locked();
}

platform::IdleReading SessionIdleClock::Read() {
  return {AskIdleTime(), Locked()};
}

bool SessionIdleClock::NoneAnswers() const {
  return clock_ == kNoService;
}

// A service that is not there hands over to the next at the next tick, so
// one tick never asks twice.
std::optional<platform::Duration> SessionIdleClock::AskIdleTime() {
  if (clock_ == kNoService) {
    return std::nullopt;
  }
  if (g_get_monotonic_time() < quiet_until_us_) {
    return std::nullopt;
  }
  const IdleTimeService& service = kIdleTimeServices[clock_];
  GError* error = nullptr;
  GVariant* reply = g_dbus_connection_call_sync(
      bus_, service.name, service.path, service.name, service.method, nullptr,
      G_VARIANT_TYPE(service.reply), G_DBUS_CALL_FLAGS_NO_AUTO_START, kTimeoutMs, nullptr, &error);
  if (reply == nullptr) {
    if (NotThere(error)) {
      ++clock_;
    } else if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_TIMED_OUT)) {
      quiet_until_us_ = g_get_monotonic_time() + kRestAfterTimeoutUs;
    }
    g_error_free(error);
    return std::nullopt;
  }
  guint64 ms = 0;
  if (g_variant_is_of_type(reply, G_VARIANT_TYPE("(t)"))) {
    g_variant_get(reply, "(t)", &ms);
  } else {
    guint32 ms32 = 0;
    g_variant_get(reply, "(u)", &ms32);
    ms = ms32;
  }
  g_variant_unref(reply);
  return std::chrono::milliseconds(ms);
}

}  // namespace platform::x11
