// Helpers for driving the real program under Win32: the program runs on the
// test's main thread exactly as wWinMain runs it, while a second thread acts
// as the user, looking at the screen and posting input.
#pragma once

// clang-format off
#include "platform/backend.h"
#include <windows.h>
// clang-format on

#include <chrono>
#include <functional>
#include <optional>
#include <ostream>
#include <string>

namespace win32_test {

using namespace std::chrono_literals;

inline constexpr wchar_t kFormClass[] = L"BrellockVarnOnForm";
inline constexpr wchar_t kMainCaption[] = L"     BRELLOCK - VARN-ON";
inline constexpr wchar_t kAboutCaption[] = L"VARN-ON";
inline constexpr int kFirstControlId = 100;  // control n of a design is id 100 + n
// About window rows (see about_design.cpp).
inline constexpr int kAboutTextBox = 0;
inline constexpr int kAboutPicture = 1;
inline constexpr int kAboutOk = 2;
inline constexpr int kAboutCreator = 5;

// Polls `condition` until it holds or `timeout` passes, pumping this thread's
// messages meanwhile (windows the user thread made must stay responsive).
bool WaitFor(const std::function<bool()>& condition,
             std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Runs `user` on a second thread, given the main window once it shows, while
// the program runs on this one, and returns once both have finished. A main
// window that never shows fails the test. If the user thread leaves the
// program running, every window of it is sent a close request.
void RunProgramWithUser(const std::function<void(HWND main)>& user);

// The About window opened by a double-click on `target`, a control of the
// main window, once it shows; nullptr when it does not within the timeout.
HWND OpenAboutFrom(HWND target);
RECT WindowRectOf(HWND window);
SIZE ClientSizeOf(HWND window);
// A window's client size and its outer top left corner on the screen.
struct Placement {
  LONG width, height, left, top;
  bool operator==(const Placement&) const = default;
};
Placement PlacementOf(HWND window);
std::ostream& operator<<(std::ostream& out, const Placement& placement);
// The child window of design row `row`.
HWND Control(HWND form, int row);
// Main window rows: VARN_LABEL_n is row 7 - n.
HWND Lamp(HWND main, int number);
// The colour shown on screen at a point, and at the centre of a window.
COLORREF ColourAt(int x, int y);
COLORREF ColourAtCentre(HWND window);
std::wstring TextOf(HWND window);
HWND FocusOf(HWND window);  // the focused window of the thread that owns `window`

// Settings straight from the registry, bypassing the program.
void ClearSettings();
std::optional<std::string> StoredSetting(const char* key);
void StoreSetting(const char* key, const char* value);

}  // namespace win32_test
