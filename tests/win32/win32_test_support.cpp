#include "win32_test_support.h"

#include <gtest/gtest.h>

#include "app/module1.h"
#include "platform/win32/win32_backend.h"
#include "platform/win32/win32_settings.h"

namespace win32_test {

namespace {

// The window with `caption` once it shows; nullptr when it does not within
// the timeout.
HWND WaitForVisible(const wchar_t* caption) {
  HWND window = nullptr;
  WaitFor([&] {
    window = FindWindowW(kFormClass, caption);
    return window != nullptr && IsWindowVisible(window);
  });
  return window;
}

DWORD WINAPI RunUser(void* parameter) {
  const auto& user = *static_cast<const std::function<void(HWND)>*>(parameter);
  if (HWND main = WaitForVisible(kMainCaption); main != nullptr) {
    user(main);
  } else {
    ADD_FAILURE() << "the main window never showed";
  }
  // Whatever the scenario did, the program must end.
  for (HWND window = FindWindowW(kFormClass, nullptr); window != nullptr;
       window = FindWindowW(kFormClass, nullptr)) {
    PostMessageW(window, WM_CLOSE, 0, 0);
    if (!WaitFor([window] { return !IsWindow(window); }, std::chrono::seconds(10))) {
      break;
    }
  }
  return 0;
}

platform::win32::Win32Settings& Settings() {
  static platform::win32::Win32Settings settings;
  return settings;
}

}  // namespace

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (condition()) {
      return true;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      return false;
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
}

void RunProgramWithUser(const std::function<void(HWND main)>& user) {
  platform::win32::Win32Backend backend;
  HANDLE handle =
      CreateThread(nullptr, 0, RunUser, const_cast<std::function<void(HWND)>*>(&user), 0, nullptr);
  app::RunProgram(backend);
  WaitForSingleObject(handle, INFINITE);
  CloseHandle(handle);
}

HWND OpenAboutFrom(HWND target) {
  PostMessageW(target, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(2, 2));
  return WaitForVisible(kAboutCaption);
}

RECT WindowRectOf(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return rect;
}

SIZE ClientSizeOf(HWND window) {
  RECT rect{};
  GetClientRect(window, &rect);
  return {rect.right, rect.bottom};
}

Placement PlacementOf(HWND window) {
  const RECT outer = WindowRectOf(window);
  return {ClientSizeOf(window).cx, ClientSizeOf(window).cy, outer.left, outer.top};
}

std::ostream& operator<<(std::ostream& out, const Placement& placement) {
  return out << placement.width << " x " << placement.height << " at " << placement.left << ", "
             << placement.top;
}

HWND Control(HWND form, int row) {
  return GetDlgItem(form, kFirstControlId + row);
}

HWND Lamp(HWND main, int number) {
  return Control(main, 7 - number);
}

COLORREF ColourAt(int x, int y) {
  HDC screen = GetDC(nullptr);
  const COLORREF colour = GetPixel(screen, x, y);
  ReleaseDC(nullptr, screen);
  return colour;
}

COLORREF ColourAtCentre(HWND window) {
  RECT rect{};
  if (!GetWindowRect(window, &rect)) {
    return CLR_INVALID;
  }
  return ColourAt((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
}

std::wstring TextOf(HWND window) {
  wchar_t text[256]{};
  GetWindowTextW(window, text, 256);
  return text;
}

HWND FocusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
  return info.hwndFocus;
}

void ClearSettings() {
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\BRELLOCK-VARN-ON");
}

std::optional<std::string> StoredSetting(const char* key) {
  return Settings().Read("BRELLOCK-VARN-ON", "Settings", key);
}

void StoreSetting(const char* key, const char* value) {
  Settings().Write("BRELLOCK-VARN-ON", "Settings", key, value);
}

}  // namespace win32_test
