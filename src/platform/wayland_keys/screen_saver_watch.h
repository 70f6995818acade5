// Whether one screen saver service of the session bus says it is active,
// followed rather than asked: its ActiveChanged signal, and one GetActive
// each time the service appears. Active is taken to mean the screen is
// blanked or locked (GNOME's and KDE's lock screens say so).
#pragma once

#include <gio/gio.h>

#include <string>

namespace platform::x11 {

class ScreenSaverWatch {
 public:
  // `name` is the service and its interface, `path` the object it answers
  // GetActive on. Nothing is asked until the service is seen on `bus`.
  ScreenSaverWatch(GDBusConnection* bus, const char* name, const char* path);
  ~ScreenSaverWatch();
  ScreenSaverWatch(const ScreenSaverWatch&) = delete;
  ScreenSaverWatch& operator=(const ScreenSaverWatch&) = delete;

  bool Active() const { return active_; }

 private:
  static void OnAppeared(GDBusConnection* bus, const gchar* name, const gchar* owner,
                         gpointer self);
  static void OnVanished(GDBusConnection* bus, const gchar* name, gpointer self);
  static void OnActiveChanged(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                              const gchar*, GVariant* parameters, gpointer self);
  void Forget();

  GDBusConnection* bus_;
  std::string name_, path_;
  guint watch_ = 0;
  guint subscription_ = 0;
  // Cancels the GetActive of an owner that has gone (or of this object).
  GCancellable* cancellable_ = nullptr;
  bool active_ = false;
};

}  // namespace platform::x11
