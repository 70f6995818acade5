// The Windows entry point: the program on the Win32 backend.
#include "platform/win32/win32_api.h"

#include <shellapi.h>

#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

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

std::string Utf8(const wchar_t* text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string result(size > 0 ? static_cast<std::size_t>(size) : 1, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, result.data(), size, nullptr, nullptr);
  result.pop_back();  // the terminating null
  return result;
}

std::wstring Utf16(std::string_view text) {
  const int length = static_cast<int>(text.size());
  std::wstring result(
      static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0)),
      L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), length, result.data(),
                      static_cast<int>(result.size()));
  return result;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*command_line*/,
                    int /*show*/) {
  int count = 0;
  LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> texts;
  for (int i = 1; words != nullptr && i < count; ++i) {
    texts.push_back(Utf8(words[i]));
  }
  LocalFree(words);
  const std::vector<std::string_view> arguments(texts.begin(), texts.end());
  const app::CommandLine command = app::ReadCommandLine(arguments);
  // The program has no console: answers and mistakes come in a message box.
  if (command.action != app::CommandLine::Action::Run) {
    MessageBoxW(
        nullptr, Utf16(command.text).c_str(), L"BRELLOCK-VARN-ON",
        command.action == app::CommandLine::Action::Answer ? MB_ICONINFORMATION : MB_ICONWARNING);
    return command.status;
  }
  platform::win32::Win32Backend backend(instance);
  return app::RunProgram(backend);
}
