// The RemoteDesktop portal session, call by call, through GDBus.
#include "platform/wayland_keys/remote_desktop_portal.h"

#include <gio/gunixfdlist.h>

#include <algorithm>
#include <utility>

namespace platform::x11 {

namespace {

constexpr char kPortal[] = "org.freedesktop.portal.Desktop";
constexpr char kPortalPath[] = "/org/freedesktop/portal/desktop";
constexpr char kRemoteDesktop[] = "org.freedesktop.portal.RemoteDesktop";
constexpr guint32 kKeyboard = 1;
constexpr guint32 kPersistUntilRevoked = 2;
constexpr guint32 kEisSince = 2;  // ConnectToEIS came with version 2
constexpr guint32 kResponseCancelled = 1;

// A reply to a call that the cancellable stopped: its object is gone.
bool Cancelled(const GError* error) {
  return g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED);
}

std::string WhyCallFailed(const GError* error) {
  gchar* remote = g_dbus_error_get_remote_error(error);
  const std::string name = remote != nullptr ? remote : "";
  g_free(remote);
  if (name == "org.freedesktop.DBus.Error.ServiceUnknown") {
    return "no desktop portal (xdg-desktop-portal) answers on the session bus";
  }
  if (name == "org.freedesktop.DBus.Error.UnknownMethod" ||
      name == "org.freedesktop.DBus.Error.UnknownInterface" ||
      name == "org.freedesktop.DBus.Error.InvalidArgs") {
    return "the desktop portal has no RemoteDesktop for this desktop";
  }
  return std::string("the desktop portal failed: ") + error->message;
}

}  // namespace

RemoteDesktopPortal::RemoteDesktopPortal(PortalConsent& consent, PortalListener& listener)
    : consent_(consent), listener_(listener), cancellable_(g_cancellable_new()) {}

RemoteDesktopPortal::~RemoteDesktopPortal() {
  g_cancellable_cancel(cancellable_);
  if (bus_ != nullptr) {
    if (response_subscription_ != 0) {
      g_dbus_connection_signal_unsubscribe(bus_, response_subscription_);
    }
    if (closed_subscription_ != 0) {
      g_dbus_connection_signal_unsubscribe(bus_, closed_subscription_);
    }
    if (!session_.empty()) {
      // Sent and flushed before the program goes: the desktop lets go of
      // the emulated keyboard at once rather than when the bus notices.
      g_dbus_connection_call(bus_, kPortal, session_.c_str(), "org.freedesktop.portal.Session",
                             "Close", nullptr, nullptr, G_DBUS_CALL_FLAGS_NONE, -1, nullptr,
                             nullptr, nullptr);
      g_dbus_connection_flush_sync(bus_, nullptr, nullptr);
    }
    g_object_unref(bus_);
  }
  g_object_unref(cancellable_);
}

RemoteDesktopPortal* RemoteDesktopPortal::Answered(gpointer self, GVariant* reply, GError* error) {
  if (reply != nullptr) {
    return static_cast<RemoteDesktopPortal*>(self);
  }
  if (!Cancelled(error)) {
    static_cast<RemoteDesktopPortal*>(self)->Fail(WhyCallFailed(error));
  }
  g_error_free(error);
  return nullptr;
}

void RemoteDesktopPortal::Fail(const std::string& why) {
  if (!failed_) {
    failed_ = true;
    listener_.OnPortalFailed(why);
  }
}

// First the portal's version: a portal without ConnectToEIS cannot serve.
void RemoteDesktopPortal::Begin() {
  GError* error = nullptr;
  bus_ = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
  if (bus_ == nullptr) {
    Fail(std::string("no session bus: ") + error->message);
    g_error_free(error);
    return;
  }
  g_dbus_connection_call(
      bus_, kPortal, kPortalPath, "org.freedesktop.DBus.Properties", "Get",
      g_variant_new("(ss)", kRemoteDesktop, "version"), G_VARIANT_TYPE("(v)"),
      G_DBUS_CALL_FLAGS_NONE, -1, cancellable_,
      [](GObject* bus, GAsyncResult* result, gpointer self) {
        GError* error = nullptr;
        GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(bus), result, &error);
        if (RemoteDesktopPortal* portal = Answered(self, reply, error)) {
          portal->OnVersion(reply);
          g_variant_unref(reply);
        }
      },
      this);
}

void RemoteDesktopPortal::OnVersion(GVariant* reply) {
  GVariant* value = nullptr;
  g_variant_get(reply, "(v)", &value);
  const guint32 version =
      g_variant_is_of_type(value, G_VARIANT_TYPE_UINT32) ? g_variant_get_uint32(value) : 0;
  g_variant_unref(value);
  if (version < kEisSince) {
    Fail("the desktop portal's RemoteDesktop (version " + std::to_string(version) +
         ") cannot connect to emulated input");
    return;
  }
  GVariantBuilder options;
  g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
  g_variant_builder_add(&options, "{sv}", "session_handle_token", g_variant_new_string("varn"));
  Request("CreateSession", nullptr, &options, &RemoteDesktopPortal::OnSessionCreated);
}

// The answer comes on a request object whose path the caller can know
// before the call, so the signal is watched first and none is missed.
void RemoteDesktopPortal::Request(const char* method, GVariant* parameters,
                                  GVariantBuilder* options, Step next) {
  const std::string token = "varn" + std::to_string(++next_token_);
  std::string sender = g_dbus_connection_get_unique_name(bus_) + 1;
  std::ranges::replace(sender, '.', '_');
  const std::string request = std::string(kPortalPath) + "/request/" + sender + "/" + token;
  if (response_subscription_ != 0) {
    g_dbus_connection_signal_unsubscribe(bus_, response_subscription_);
  }
  response_subscription_ = g_dbus_connection_signal_subscribe(
      bus_, kPortal, "org.freedesktop.portal.Request", "Response", request.c_str(), nullptr,
      G_DBUS_SIGNAL_FLAGS_NONE, &RemoteDesktopPortal::OnResponse, this, nullptr);
  pending_ = next;
  g_variant_builder_add(options, "{sv}", "handle_token", g_variant_new_string(token.c_str()));

  GVariantBuilder arguments;
  g_variant_builder_init(&arguments, G_VARIANT_TYPE_TUPLE);
  if (!session_.empty()) {
    g_variant_builder_add(&arguments, "o", session_.c_str());
  }
  if (parameters != nullptr) {
    g_variant_builder_add_value(&arguments, parameters);
  }
  g_variant_builder_add_value(&arguments, g_variant_builder_end(options));
  g_dbus_connection_call(
      bus_, kPortal, kPortalPath, kRemoteDesktop, method, g_variant_builder_end(&arguments),
      G_VARIANT_TYPE("(o)"), G_DBUS_CALL_FLAGS_NONE, -1, cancellable_,
      [](GObject* bus, GAsyncResult* result, gpointer self) {
        GError* error = nullptr;
        GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(bus), result, &error);
        if (Answered(self, reply, error) != nullptr) {
          g_variant_unref(reply);  // the answer comes as a Response
        }
      },
      this);
}

void RemoteDesktopPortal::OnResponse(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                                     const gchar*, GVariant* parameters, gpointer self) {
  auto* portal = static_cast<RemoteDesktopPortal*>(self);
  guint32 response = 2;
  GVariant* results = nullptr;
  g_variant_get(parameters, "(u@a{sv})", &response, &results);
  if (const Step step = std::exchange(portal->pending_, nullptr)) {
    (portal->*step)(response, results);
  }
  g_variant_unref(results);
}

void RemoteDesktopPortal::OnClosed(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                                   const gchar*, GVariant*, gpointer self) {
  auto* portal = static_cast<RemoteDesktopPortal*>(self);
  portal->session_.clear();
  portal->listener_.OnSessionClosed();
}

void RemoteDesktopPortal::OnSessionCreated(guint32 response, GVariant* results) {
  const gchar* session = nullptr;
  if (response != 0 || !g_variant_lookup(results, "session_handle", "&s", &session)) {
    Fail("the desktop portal made no remote desktop session");
    return;
  }
  session_ = session;
  closed_subscription_ = g_dbus_connection_signal_subscribe(
      bus_, kPortal, "org.freedesktop.portal.Session", "Closed", session_.c_str(), nullptr,
      G_DBUS_SIGNAL_FLAGS_NONE, &RemoteDesktopPortal::OnClosed, this, nullptr);
  GVariantBuilder options;
  g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
  g_variant_builder_add(&options, "{sv}", "types", g_variant_new_uint32(kKeyboard));
  g_variant_builder_add(&options, "{sv}", "persist_mode",
                        g_variant_new_uint32(kPersistUntilRevoked));
  if (const std::optional<std::string> token = consent_.RestoreToken()) {
    g_variant_builder_add(&options, "{sv}", "restore_token", g_variant_new_string(token->c_str()));
  }
  Request("SelectDevices", nullptr, &options, &RemoteDesktopPortal::OnDevicesSelected);
}

void RemoteDesktopPortal::OnDevicesSelected(guint32 response, GVariant* /*results*/) {
  if (response != 0) {
    Fail("the desktop portal offers no keyboard to emulate");
    return;
  }
  GVariantBuilder options;
  g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
  Request("Start", g_variant_new_string(""), &options, &RemoteDesktopPortal::OnStarted);
}

// The dialog, if any, has been answered. The newest token replaces the kept
// one; a refusal is kept so that the next start does not ask again.
void RemoteDesktopPortal::OnStarted(guint32 response, GVariant* results) {
  if (response == kResponseCancelled) {
    consent_.KeepRefusal();
    Fail("remote input to press Num Lock was refused; to be asked again, delete " +
         consent_.RefusalFile());
    return;
  }
  if (response != 0) {
    Fail("the desktop portal could not start the remote desktop session");
    return;
  }
  const gchar* token = nullptr;
  if (g_variant_lookup(results, "restore_token", "&s", &token)) {
    consent_.KeepRestoreToken(token);
  }
  g_dbus_connection_call_with_unix_fd_list(
      bus_, kPortal, kPortalPath, kRemoteDesktop, "ConnectToEIS",
      g_variant_new("(oa{sv})", session_.c_str(), nullptr), G_VARIANT_TYPE("(h)"),
      G_DBUS_CALL_FLAGS_NONE, -1, nullptr, cancellable_,
      [](GObject* bus, GAsyncResult* result, gpointer self) {
        GError* error = nullptr;
        GUnixFDList* fds = nullptr;
        GVariant* reply = g_dbus_connection_call_with_unix_fd_list_finish(G_DBUS_CONNECTION(bus),
                                                                          &fds, result, &error);
        if (RemoteDesktopPortal* portal = Answered(self, reply, error)) {
          portal->OnConnected(reply, fds);
          g_variant_unref(reply);
        }
        g_clear_object(&fds);
      },
      this);
}

void RemoteDesktopPortal::OnConnected(GVariant* reply, GUnixFDList* fds) {
  gint32 handle = -1;
  g_variant_get(reply, "(h)", &handle);
  const int fd = fds != nullptr ? g_unix_fd_list_get(fds, handle, nullptr) : -1;
  if (fd < 0) {
    Fail("the desktop portal gave no emulated input socket");
    return;
  }
  listener_.OnEisReady(fd);
}

}  // namespace platform::x11
