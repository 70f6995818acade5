// GTK started once, the way this program needs it.
#include "platform/gtk_about/gtk_start.h"

#include <gtk/gtk.h>

#include <cstdio>

namespace platform::gtk_about {

bool StartGtk() {
  static const bool started = [] {
    // The About window is an X client, as the main window is. GDK has an
    // API for the backends it may open; GDK_BACKEND and GDK_GL, which it has
    // none for, the program's main sets before any thread runs
    // (module_environment.cpp): the environment is never changed here.
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
