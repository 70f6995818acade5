// One session of the desktop's RemoteDesktop portal, asked for a keyboard
// only: CreateSession, SelectDevices (remembered: persist mode 2, with the
// kept restore token), Start (the desktop's dialog the first time), then
// ConnectToEIS for the emulated input socket. Every call is answered later,
// on GLib's main context; the session is closed when this object goes.
#pragma once

#include <gio/gio.h>

#include <string>

#include "platform/wayland_keys/portal_consent.h"

namespace platform::x11 {

class PortalListener {
 public:
  virtual void OnEisReady(int fd) = 0;  // takes the descriptor over
  // The route cannot open; `why` names what is missing or went wrong.
  virtual void OnPortalFailed(const std::string& why) = 0;
  virtual void OnSessionClosed() = 0;

 protected:
  ~PortalListener() = default;
};

class RemoteDesktopPortal {
 public:
  RemoteDesktopPortal(PortalConsent& consent, PortalListener& listener);
  ~RemoteDesktopPortal();
  RemoteDesktopPortal(const RemoteDesktopPortal&) = delete;
  RemoteDesktopPortal& operator=(const RemoteDesktopPortal&) = delete;

  void Begin();

 private:
  using Step = void (RemoteDesktopPortal::*)(guint32 response, GVariant* results);

  // The portal to go on with once a call is answered; nullptr when it was
  // cancelled (this object is gone) or failed (said through Fail). Takes
  // the error.
  static RemoteDesktopPortal* Answered(gpointer self, GVariant* reply, GError* error);
  void Fail(const std::string& why);
  // A portal method whose answer comes as a Response signal on its request.
  void Request(const char* method, GVariant* parameters, GVariantBuilder* options, Step next);
  void OnVersion(GVariant* reply);
  void OnSessionCreated(guint32 response, GVariant* results);
  void OnDevicesSelected(guint32 response, GVariant* results);
  void OnStarted(guint32 response, GVariant* results);
  void OnConnected(GVariant* reply, GUnixFDList* fds);

  static void OnResponse(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                         GVariant* parameters, gpointer self);
  static void OnClosed(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                       GVariant*, gpointer self);

  PortalConsent& consent_;
  PortalListener& listener_;
  GDBusConnection* bus_ = nullptr;
  GCancellable* cancellable_ = nullptr;
  std::string session_;
  guint response_subscription_ = 0;
  guint closed_subscription_ = 0;
  Step pending_ = nullptr;
  unsigned next_token_ = 0;
  bool failed_ = false;
};

}  // namespace platform::x11
