// The Windows entry point: the program on the Win32 backend.
#include "platform/win32/win32_api.h"

#include "app/module1.h"
#include "platform/win32/win32_backend.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*command_line*/,
                    int /*show*/) {
  platform::win32::Win32Backend backend(instance);
  return app::RunProgram(backend);
}
