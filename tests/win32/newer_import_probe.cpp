// Never run: an executable that imports what tools/check-exe must refuse, a
// call Windows 7 SP1 lacks and a DLL off the known-DLL list, so that the
// check's own test sees it fail. Its header declares other systems than
// Windows 7 (tests/win32/CMakeLists.txt).
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const UINT dpi = GetDpiForWindow(GetDesktopWindow());
  return static_cast<int>(dpi + GetFileVersionInfoSizeW(L"user32.dll", nullptr));
}
