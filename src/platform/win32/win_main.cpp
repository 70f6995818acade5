// The Windows entry point: the program on the Win32 backend.
#include "platform/win32/win32_api.h"

#include <shellapi.h>

#include <algorithm>
#include <cstdlib>
#include <span>
#include <string_view>

#include "app/command_line.h"

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

namespace {

// Room for the options the program knows and a little more: a longer word is
// a mistake however it ends.
constexpr int kArgumentRoom = 64;

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*command_line*/,
                    int /*show*/) {
  // The first two arguments after the program's name, as UTF-8: only they
  // can matter.
  int count = 0;
  LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
  char texts[2][kArgumentRoom] = {};
  std::string_view arguments[2];
  const int used = words != nullptr ? std::min(count - 1, 2) : 0;
  for (int i = 0; i < used; ++i) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, words[i + 1], -1, texts[i], kArgumentRoom - 1,
                                         nullptr, nullptr);
    arguments[i] = std::string_view(texts[i], size > 0 ? static_cast<std::size_t>(size - 1) : 0);
  }
  LocalFree(words);
  const app::CommandLine command =
      app::ReadCommandLine(std::span<const std::string_view>(arguments, used > 0 ? used : 0));
  // The program has no console: answers and mistakes come in a message box.
  if (command.action != app::CommandLine::Action::Run) {
    wchar_t text[2048] = {};
    int length = 0;
    for (const std::string_view piece : command.text) {
      length += MultiByteToWideChar(CP_UTF8, 0, piece.data(), static_cast<int>(piece.size()),
                                    text + length, 2047 - length);
    }
    MessageBoxW(
        nullptr, text, L"BRELLOCK-VARN-ON",
        command.action == app::CommandLine::Action::Answer ? MB_ICONINFORMATION : MB_ICONWARNING);
    return command.status;
  }
  platform::win32::Win32Backend backend(instance);
  return app::RunProgram(backend);
}
