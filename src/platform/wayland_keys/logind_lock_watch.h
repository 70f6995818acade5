// Whether logind holds this login session locked (its LockedHint, which
// the desktop's lock screen sets), followed on the system bus: the
// session's PropertiesChanged signal after one reading. Where there is no
// system bus or no logind, or the program is in no session of its own, the
// session is never taken for locked.
#pragma once

#include <gio/gio.h>

#include <string>

namespace platform::x11 {

class LogindLockWatch {
 public:
  // Begins at once; every step is answered later on GLib's main context.
  LogindLockWatch();
  ~LogindLockWatch();
  LogindLockWatch(const LogindLockWatch&) = delete;
  LogindLockWatch& operator=(const LogindLockWatch&) = delete;

  bool Locked() const { return locked_; }

 private:
  using Step = void (LogindLockWatch::*)(GVariant* reply);

  // An asynchronous call to logind whose answer goes to `next`; nothing
  // happens on an error, and nothing after this object is gone.
  void Call(const char* path, const char* interface, const char* method, GVariant* parameters,
            const GVariantType* reply_type, Step next);
  void OnBus(GDBusConnection* bus);
  void OnSessionId(GVariant* reply);
  void OnSessionPath(GVariant* reply);
  void OnLockedHint(GVariant* reply);
  static void OnPropertiesChanged(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                                  const gchar*, GVariant* parameters, gpointer self);

  GCancellable* cancellable_;
  GDBusConnection* bus_ = nullptr;
  std::string session_;
  guint subscription_ = 0;
  bool locked_ = false;
};

}  // namespace platform::x11
