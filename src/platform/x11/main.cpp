// BRELLOCK-VARN-ON for Linux: the program on X11, through XCB.
#include <cstdio>
#include <cstdlib>

#include "app/module1.h"
#include "platform/x11/x11_backend.h"
#include "platform/x11/x11_display.h"

int main() {
  platform::x11::Display display;
  if (!display.Ok()) {
    const char* name = std::getenv("DISPLAY");
    std::fprintf(stderr, "brellock-varn-on: cannot open the X display %s; this program needs X11\n",
                 name != nullptr && *name != '\0' ? name : "(DISPLAY is not set)");
    return 1;
  }
  platform::x11::X11Backend backend(display);
  const int status = app::RunProgram(backend);
  return backend.LostDisplay() ? 1 : status;
}
