// One screen saver's Active state, through GDBus on GLib's main context.
#include "platform/wayland_keys/screen_saver_watch.h"

namespace platform::x11 {

ScreenSaverWatch::ScreenSaverWatch(GDBusConnection* bus, const char* name, const char* path)
    : bus_(G_DBUS_CONNECTION(g_object_ref(bus))), name_(name), path_(path) {
  // Not started if absent: a screen saver is the desktop's own, not ours
  // to bring up.
  watch_ = g_bus_watch_name_on_connection(bus_, name, G_BUS_NAME_WATCHER_FLAGS_NONE,
                                          &ScreenSaverWatch::OnAppeared,
                                          &ScreenSaverWatch::OnVanished, this, nullptr);
}

ScreenSaverWatch::~ScreenSaverWatch() {
  g_bus_unwatch_name(watch_);
  Forget();
  g_object_unref(bus_);
}

void ScreenSaverWatch::Forget() {
  if (subscription_ != 0) {
    g_dbus_connection_signal_unsubscribe(bus_, subscription_);
    subscription_ = 0;
  }
  if (cancellable_ != nullptr) {
    g_cancellable_cancel(cancellable_);
    g_clear_object(&cancellable_);
  }
  active_ = false;
}

// The signal is watched from the owner's unique name before the state is
// asked for, so no change between the two is missed; the answer comes after
// any signal sent before it, on the same connection.
void ScreenSaverWatch::OnAppeared(GDBusConnection*, const gchar*, const gchar* owner,
                                  gpointer self) {
  auto* watch = static_cast<ScreenSaverWatch*>(self);
  watch->Forget();
  watch->subscription_ = g_dbus_connection_signal_subscribe(
      watch->bus_, owner, watch->name_.c_str(), "ActiveChanged", nullptr, nullptr,
      G_DBUS_SIGNAL_FLAGS_NONE, &ScreenSaverWatch::OnActiveChanged, watch, nullptr);
  watch->cancellable_ = g_cancellable_new();
  g_dbus_connection_call(
      watch->bus_, owner, watch->path_.c_str(), watch->name_.c_str(), "GetActive", nullptr,
      G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NONE, -1, watch->cancellable_,
      [](GObject* bus, GAsyncResult* result, gpointer self) {
        GError* error = nullptr;
        GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(bus), result, &error);
        if (reply == nullptr) {
          // Cancelled: the object may be gone. Otherwise the signal alone
          // tells the state from now on.
          g_error_free(error);
          return;
        }
        gboolean active = FALSE;
        g_variant_get(reply, "(b)", &active);
        static_cast<ScreenSaverWatch*>(self)->active_ = active != FALSE;
        g_variant_unref(reply);
      },
      watch);
}

void ScreenSaverWatch::OnVanished(GDBusConnection*, const gchar*, gpointer self) {
  static_cast<ScreenSaverWatch*>(self)->Forget();
}

void ScreenSaverWatch::OnActiveChanged(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                                       const gchar*, GVariant* parameters, gpointer self) {
  if (g_variant_is_of_type(parameters, G_VARIANT_TYPE("(b)"))) {
    gboolean active = FALSE;
    g_variant_get(parameters, "(b)", &active);
    static_cast<ScreenSaverWatch*>(self)->active_ = active != FALSE;
  }
}

}  // namespace platform::x11
