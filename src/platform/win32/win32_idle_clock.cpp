// The system's idle clock and lock, for pressing Num Lock only while a
// person is at the machine.
#include <cwchar>

#include "platform/win32/handles.h"
#include "platform/win32/win32_api.h"
#include "platform/win32/win32_stacking.h"

namespace platform::win32 {

namespace {

bool SameName(HANDLE a, HANDLE b) {
  wchar_t name_a[64] = {};
  wchar_t name_b[64] = {};
  return GetUserObjectInformationW(a, UOI_NAME, name_a, sizeof name_a, nullptr) &&
         GetUserObjectInformationW(b, UOI_NAME, name_b, sizeof name_b, nullptr) &&
         _wcsicmp(name_a, name_b) == 0;
}

// The lock screen, and the prompts of User Account Control, are on the
// secure desktop: the keyboard is there and the program's presses are not
// let through to it. A program outside may not even open it.
bool InputIsOnOurDesktop() {
  const UniqueDesktop input(OpenInputDesktop(0, FALSE, DESKTOP_READOBJECTS));
  return input && SameName(input.Get(), GetThreadDesktop(GetCurrentThreadId()));
}

}  // namespace

IdleReading Win32Keys::ReadIdleClock() {
  LASTINPUTINFO last{};
  last.cbSize = sizeof last;
  if (!GetLastInputInfo(&last)) {
    return {};
  }
  // Both in the 32-bit tick count: the difference is right across its wrap.
  const DWORD idle_ms = GetTickCount() - last.dwTime;
  BOOL saver_running = FALSE;
  SystemParametersInfoW(SPI_GETSCREENSAVERRUNNING, 0, &saver_running, 0);
  return {std::chrono::milliseconds(idle_ms), saver_running || !InputIsOnOurDesktop()};
}

}  // namespace platform::win32
