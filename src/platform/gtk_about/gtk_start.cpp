// GTK started once, the way this program needs it.
#include "platform/gtk_about/gtk_start.h"

#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>

namespace platform::gtk_about {

bool StartGtk() {
  static const bool started = [] {
    // GDK's GL probe at start maps Mesa and LLVM (some 56 MB, and 50 to 80
    // ms at the first opening) for a window that draws nothing with GL.
    setenv("GDK_GL", "disable", 1);
    // The program is an X client everywhere (on a Wayland session, through
    // Xwayland, as its main window is): the window manager that places its
    // main window places this one, and transient-for can name that window.
    // A GDK_BACKEND the session sets for GTK programs would otherwise ask
    // for a backend outside the allowed one, and GDK would open none.
    setenv("GDK_BACKEND", "x11", 1);
    gdk_set_allowed_backends("x11");
    // GTK would name the window class after argv, which it is not given,
    // and its start names the class after the program's name again.
    g_set_prgname("brellock-varn-on");
    if (gtk_init_check(nullptr, nullptr) == FALSE) {
      std::fprintf(stderr, "brellock-varn-on: GTK cannot open the display\n");
      return false;
    }
    gdk_set_program_class("BRELLOCK-VARN-ON");
    return true;
  }();
  return started;
}

}  // namespace platform::gtk_about
