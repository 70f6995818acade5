// BRELLOCK-VARN-ON for Linux: the program on X11, through XCB.
#include <cstdio>
#include <cstdlib>

#include <string_view>
#include <vector>

#include "app/command_line.h"
#include "app/module1.h"
#include "platform/x11/connection/module_environment.h"
#include "platform/x11/connection/x11_display.h"
#include "platform/x11/x11_backend.h"

int main(int argc, char* argv[]) {
  platform::x11::FixModuleEnvironment();
  const std::vector<std::string_view> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  const app::CommandLine command = app::ReadCommandLine(arguments);
  if (command.action != app::CommandLine::Action::Run) {
    std::fputs(command.text.c_str(),
               command.action == app::CommandLine::Action::Answer ? stdout : stderr);
    return command.status;
  }
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
