// logind's LockedHint of the program's session, through GDBus.
#include "platform/wayland_keys/logind_lock_watch.h"

#include <utility>

namespace platform::x11 {

namespace {

constexpr char kLogind[] = "org.freedesktop.login1";
constexpr char kSession[] = "org.freedesktop.login1.Session";
constexpr char kProperties[] = "org.freedesktop.DBus.Properties";
// logind's name for the caller's own session, or, for a program outside
// any (one started by the user's service manager), the user's graphical
// one.
constexpr char kOwnSession[] = "/org/freedesktop/login1/session/auto";

struct Pending {
  LogindLockWatch* watch;
  void (LogindLockWatch::*next)(GVariant*);
};

}  // namespace

// The system bus is reached without waiting: a machine without one (a
// container, a chroot) costs the program nothing.
LogindLockWatch::LogindLockWatch() : cancellable_(g_cancellable_new()) {
  g_bus_get(
      G_BUS_TYPE_SYSTEM, cancellable_,
      [](GObject*, GAsyncResult* result, gpointer self) {
        GError* error = nullptr;
        GDBusConnection* bus = g_bus_get_finish(result, &error);
        if (bus == nullptr) {
          g_error_free(error);  // no system bus, or this object is gone
          return;
        }
        static_cast<LogindLockWatch*>(self)->OnBus(bus);
      },
      this);
}

LogindLockWatch::~LogindLockWatch() {
  g_cancellable_cancel(cancellable_);
  if (bus_ != nullptr) {
    if (subscription_ != 0) {
      g_dbus_connection_signal_unsubscribe(bus_, subscription_);
    }
    g_object_unref(bus_);
  }
  g_object_unref(cancellable_);
}

void LogindLockWatch::Call(const char* path, const char* interface, const char* method,
                           GVariant* parameters, const GVariantType* reply_type, Step next) {
  g_dbus_connection_call(
      bus_, kLogind, path, interface, method, parameters, reply_type,
      G_DBUS_CALL_FLAGS_NO_AUTO_START, -1, cancellable_,
      [](GObject* bus, GAsyncResult* result, gpointer data) {
        const Pending pending = *static_cast<Pending*>(data);
        delete static_cast<Pending*>(data);
        GError* error = nullptr;
        GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(bus), result, &error);
        if (reply == nullptr) {
          g_error_free(error);  // no logind, no session, or this object is gone
          return;
        }
        (pending.watch->*pending.next)(reply);
        g_variant_unref(reply);
      },
      new Pending{this, next});
}

void LogindLockWatch::OnBus(GDBusConnection* bus) {
  bus_ = bus;
  Call(kOwnSession, kProperties, "Get", g_variant_new("(ss)", kSession, "Id"),
       G_VARIANT_TYPE("(v)"), &LogindLockWatch::OnSessionId);
}

// "auto" names no object that sends signals: the session's own path does.
void LogindLockWatch::OnSessionId(GVariant* reply) {
  GVariant* id = nullptr;
  g_variant_get(reply, "(v)", &id);
  if (g_variant_is_of_type(id, G_VARIANT_TYPE_STRING)) {
    Call("/org/freedesktop/login1", "org.freedesktop.login1.Manager", "GetSession",
         g_variant_new("(s)", g_variant_get_string(id, nullptr)), G_VARIANT_TYPE("(o)"),
         &LogindLockWatch::OnSessionPath);
  }
  g_variant_unref(id);
}

void LogindLockWatch::OnSessionPath(GVariant* reply) {
  const gchar* path = nullptr;
  g_variant_get(reply, "(&o)", &path);
  session_ = path;
  subscription_ = g_dbus_connection_signal_subscribe(
      bus_, kLogind, kProperties, "PropertiesChanged", session_.c_str(), kSession,
      G_DBUS_SIGNAL_FLAGS_NONE, &LogindLockWatch::OnPropertiesChanged, this, nullptr);
  Call(session_.c_str(), kProperties, "Get", g_variant_new("(ss)", kSession, "LockedHint"),
       G_VARIANT_TYPE("(v)"), &LogindLockWatch::OnLockedHint);
}

void LogindLockWatch::OnLockedHint(GVariant* reply) {
  GVariant* hint = nullptr;
  g_variant_get(reply, "(v)", &hint);
  if (g_variant_is_of_type(hint, G_VARIANT_TYPE_BOOLEAN)) {
    locked_ = g_variant_get_boolean(hint) != FALSE;
  }
  g_variant_unref(hint);
}

// logind sends the new value with the change; one only named as changed is
// read again.
void LogindLockWatch::OnPropertiesChanged(GDBusConnection*, const gchar*, const gchar*,
                                          const gchar*, const gchar*, GVariant* parameters,
                                          gpointer self) {
  auto* watch = static_cast<LogindLockWatch*>(self);
  if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(sa{sv}as)"))) {
    return;
  }
  GVariant* changed = g_variant_get_child_value(parameters, 1);
  gboolean locked = FALSE;
  if (g_variant_lookup(changed, "LockedHint", "b", &locked)) {
    watch->locked_ = locked != FALSE;
  } else {
    GVariant* invalidated = g_variant_get_child_value(parameters, 2);
    const gchar** names = g_variant_get_strv(invalidated, nullptr);
    for (const gchar** name = names; *name != nullptr; ++name) {
      if (g_strcmp0(*name, "LockedHint") == 0) {
        watch->Call(watch->session_.c_str(), kProperties, "Get",
                    g_variant_new("(ss)", kSession, "LockedHint"), G_VARIANT_TYPE("(v)"),
                    &LogindLockWatch::OnLockedHint);
      }
    }
    g_free(names);
    g_variant_unref(invalidated);
  }
  g_variant_unref(changed);
}

}  // namespace platform::x11
