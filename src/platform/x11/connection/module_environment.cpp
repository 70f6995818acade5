#include "platform/x11/connection/module_environment.h"

#include <cstdlib>

namespace platform::x11 {

void FixModuleEnvironment() {
  // The About window is an X client everywhere (on a Wayland session, through
  // Xwayland, as the main window is): the window manager that places the
  // main window places it, and transient-for can name that window. The
  // module also allows GDK only its X11 backend, but a GDK_BACKEND the
  // session sets for GTK programs (wayland) outranks that, and GDK would
  // then open no display at all.
  setenv("GDK_BACKEND", "x11", 1);
  // GDK's GL probe at start maps Mesa and LLVM (some 56 MB, and 50 to 80 ms
  // at the first opening) for a window that draws nothing with GL.
  setenv("GDK_GL", "disable", 1);
  // GDK takes a launcher's start-up id out of the environment as its library
  // is loaded, at the About window's first opening. The program asks for no
  // launch feedback (its desktop entry has no StartupNotify), so the id ends
  // nothing of its own: it goes here, and GDK later finds nothing to remove.
  unsetenv("DESKTOP_STARTUP_ID");
}

}  // namespace platform::x11
