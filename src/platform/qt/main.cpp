// BRELLOCK-VARN-ON for Linux: the program on Qt 6 Widgets over X11.
#include <xcb/xcb.h>

#include <QApplication>
#include <cstdlib>
#include <iostream>

#include "app/module1.h"
#include "qt_backend.h"

namespace {

// Qt aborts with a long message when there is no display; say it plainly.
bool CanOpenDisplay() {
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  const bool usable = xcb_connection_has_error(connection) == 0;
  xcb_disconnect(connection);
  return usable;
}

}  // namespace

int main(int argc, char* argv[]) {
  // The program speaks X11 (window types, stacking, key injection); on a
  // Wayland desktop it runs through XWayland.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "xcb");
  }
  if (qgetenv("QT_QPA_PLATFORM") == "xcb" && !CanOpenDisplay()) {
    const char* display = std::getenv("DISPLAY");
    std::cerr << "brellock-varn-on: cannot open the X display "
              << (display != nullptr && *display != '\0' ? display : "(DISPLAY is not set)")
              << "; this program needs X11\n";
    return 1;
  }
  // The program takes no arguments, not even Qt's own.
  int qt_argc = argc > 0 ? 1 : 0;
  QApplication application(qt_argc, argv);
  // The program ends when its last form is unloaded, not when Qt thinks the
  // last window closed.
  QApplication::setQuitOnLastWindowClosed(false);
  platform::qt::QtBackend backend;
  return app::RunProgram(backend);
}
