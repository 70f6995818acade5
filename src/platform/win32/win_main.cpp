// The Windows entry point: the program on the Win32 backend.
#include "platform/win32/win32_api.h"

#include <cstdlib>

#include "app/module1.h"
#include "platform/win32/win32_backend.h"

// What ends the program if an exception ever escapes. The C++ runtime's
// own handler first prints the exception's demangled type name on standard
// error, which a windowed program does not have, and links a demangler of
// some 45 KiB into the executable to do it. Ending the same way without
// the message costs nothing.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
  std::abort();
}
}  // namespace __gnu_cxx

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*command_line*/,
                    int /*show*/) {
  platform::win32::Win32Backend backend(instance);
  return app::RunProgram(backend);
}
