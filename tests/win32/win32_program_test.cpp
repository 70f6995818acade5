// The whole program on real Win32 windows: what shows on the screen, what
// the registry keeps, and how the windows behave.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <type_traits>

#include "win32_test_support.h"

namespace {

using namespace win32_test;

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kDark = RGB(0, 0, 0);

class Program : public testing::Test {
 protected:
  void SetUp() override { ClearSettings(); }
  void TearDown() override { ClearSettings(); }
};

// The About window's five labels at their design places (twips / 15), with
// their exact texts, drawn green on black.
struct AboutLabel {
  int row;
  const wchar_t* text;
  int left, top, width;
};
constexpr AboutLabel kAboutLabels[] = {
    {3, L"DEDICATED TO V.A.R.N.", 328, 8, 281}, {4, L"BRELLOCK - VARN-ON", 8, 8, 289},
    {5, L"Created By Tavisk", 8, 88, 289},      {6, L"Version 1.0", 8, 48, 289},
    {7, L"!!! FREEWARE !!!", 8, 128, 289},
};

// The font a control draws with: its height in pixels (negative: the
// character height), its weight, and whether it is italic.
std::string FontOf(HWND control) {
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font, &font);
  return std::to_string(font.lfHeight) + " " + std::to_string(font.lfWeight) +
         (font.lfItalic ? " italic" : "");
}

// The main window, always on top, covers the About window's top left corner
// when both open at their first-run place; only pixels right of it are read.
void ExpectAboutLabels(HWND about, HWND main) {
  POINT origin{0, 0};
  ClientToScreen(about, &origin);
  const int first_visible_x = WindowRectOf(main).right + 1;
  for (const AboutLabel& expected : kAboutLabels) {
    HWND label = Control(about, expected.row);
    EXPECT_EQ(TextOf(label), expected.text);
    const RECT rect = WindowRectOf(label);
    EXPECT_EQ(rect.left - origin.x, expected.left) << expected.row;
    EXPECT_EQ(rect.top - origin.y, expected.top) << expected.row;
    EXPECT_EQ(rect.right - rect.left, expected.width) << expected.row;
    EXPECT_EQ(rect.bottom - rect.top, 33) << expected.row;
    EXPECT_EQ(FontOf(label), "-18 400") << expected.row;  // 13.5 pt regular at 96 dpi
    EXPECT_EQ(ColourAt(rect.right - 4, rect.top + 4), kDark) << expected.row;
    int green = 0;
    const int middle = (rect.top + rect.bottom) / 2;
    for (int x = std::max<int>(rect.left, first_visible_x); x < rect.right; ++x) {
      green += ColourAt(x, middle) == RGB(0, 255, 0) ? 1 : 0;
    }
    EXPECT_GT(green, 0) << "no green text on row " << expected.row;
  }
}

// The chase as the screen shows it: lamp 1 alone lit, then lamp 2 lit with
// lamp 1 dark.
void ExpectLampsChase(HWND main) {
  EXPECT_TRUE(WaitFor([main] { return ColourAtCentre(Lamp(main, 1)) == kRed; }))
      << "lamp 1 never lit";
  EXPECT_TRUE(WaitFor([main] {
    return ColourAtCentre(Lamp(main, 2)) == kRed && ColourAtCentre(Lamp(main, 1)) == kDark;
  })) << "the light never moved on to lamp 2";
}

// Bad stored values count as none: the window takes the default place.
TEST_F(Program, MainWindowIsAToolWindowWithTheLampBar) {
  StoreSetting("MainLeft", "abc");
  StoreSetting("MainTop", "1e30");
  StoreSetting("MainWidth", "-5");
  StoreSetting("MainHeight", "");
  RunProgramWithUser([](HWND main) {
    const LONG_PTR style = GetWindowLongPtrW(main, GWL_STYLE);
    const LONG_PTR ex_style = GetWindowLongPtrW(main, GWL_EXSTYLE);
    EXPECT_TRUE(ex_style & WS_EX_TOOLWINDOW);
    EXPECT_FALSE(ex_style & WS_EX_APPWINDOW);
    EXPECT_TRUE(style & WS_THICKFRAME);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_EQ(TextOf(main), kMainCaption);
    EXPECT_EQ(GetWindow(main, GW_OWNER), nullptr);
    // The default place and size: 1000, 1000, 2760 x 855 twips at 15 twips
    // to the pixel, less 120 x 360 for the frame.
    EXPECT_EQ(PlacementOf(main), (Placement{176, 33, 67, 67}));
    ExpectLampsChase(main);
  });
  // Closed normally: the place is saved, the width left as it was.
  EXPECT_EQ(StoredSetting("MainLeft"), "1000");
  EXPECT_EQ(StoredSetting("MainTop"), "1000");
  EXPECT_EQ(StoredSetting("MainWidth"), "-5");
}

TEST_F(Program, EndOfTheSessionSavesThePositionLikeAClose) {
  StoreSetting("MainLeft", "3000");
  RunProgramWithUser([](HWND main) {
    SetWindowPos(main, nullptr, 100, 120, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(main, WM_ENDSESSION, TRUE, 0);  // as Windows does at log-off
    EXPECT_FALSE(IsWindow(main));
  });
  EXPECT_EQ(StoredSetting("MainLeft"), "1500");
  EXPECT_EQ(StoredSetting("MainTop"), "1800");
}

TEST_F(Program, StoredPlaceAndWidthAreHonoured) {
  StoreSetting("MainLeft", "3000");
  StoreSetting("MainTop", "1500.5");
  StoreSetting("MainWidth", "4500");
  RunProgramWithUser([](HWND main) {
    // 4500 twips less the 120 allowed for the frame: a 292 px client.
    EXPECT_EQ(PlacementOf(main), (Placement{292, 33, 200, 100}));
  });
  // Read back exactly as assigned, not rounded to the pixel.
  EXPECT_EQ(StoredSetting("MainLeft"), "3000");
  EXPECT_EQ(StoredSetting("MainTop"), "1500.5");
}

TEST_F(Program, MinimisedWindowClosesWithoutSaving) {
  RunProgramWithUser([](HWND main) {
    PostMessageW(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(WaitFor([main] { return IsIconic(main) != FALSE; }));
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitFor([main] { return !IsWindow(main); }));
  });
  EXPECT_EQ(StoredSetting("MainLeft"), std::nullopt);
  EXPECT_EQ(StoredSetting("MainTop"), std::nullopt);
}

// Requests to show the focus that reach one window, as the hook
// WatchForShownFocus sees them on the program's thread.
std::atomic<HWND> focus_watched{nullptr};
std::atomic<int> focus_shown_requests{0};

LRESULT CALLBACK WatchForShownFocus(int code, WPARAM wparam, LPARAM lparam) {
  const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lparam);
  if (code == HC_ACTION && sent->hwnd == focus_watched.load() &&
      sent->message == WM_CHANGEUISTATE && LOWORD(sent->wParam) == UIS_CLEAR &&
      (HIWORD(sent->wParam) & UISF_HIDEFOCUS) != 0) {
    ++focus_shown_requests;
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

struct HookUnhooker {
  void operator()(HHOOK hook) const { UnhookWindowsHookEx(hook); }
};

TEST_F(Program, DoubleClickOnALampOpensTheModalAboutWindow) {
  RunProgramWithUser([](HWND main) {
    HWND about = OpenAboutFrom(Lamp(main, 3));
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(GetWindow(about, GW_OWNER), main);
    EXPECT_FALSE(IsWindowEnabled(main));
    const LONG_PTR style = GetWindowLongPtrW(about, GWL_STYLE);
    EXPECT_TRUE(GetWindowLongPtrW(about, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    // The picture box fits the 314 x 162 picture and its sunken border.
    const RECT picture = WindowRectOf(Control(about, kAboutPicture));
    EXPECT_EQ(picture.right - picture.left, 318);
    EXPECT_EQ(picture.bottom - picture.top, 166);
    ExpectAboutLabels(about, main);
    EXPECT_EQ(FontOf(Control(about, kAboutTextBox)), "-11 700");  // 8.25 pt bold
    EXPECT_EQ(FontOf(Control(about, kAboutOk)), "-11 400");
    // The program goes on behind the modal window.
    ExpectLampsChase(main);

    // Tab runs OK -> picture -> text box -> OK. The topmost keeper hands the
    // activation to the main window on its first tick after the About window
    // came up; right after that tick the About window is activated again,
    // leaving most of a second before the next one.
    //
    // Windows hides the focus rectangle from whoever opened a window with the
    // mouse until they use the keyboard; each Tab shows it from then on, as
    // the dialog manager's own Tab handling does, by asking the window to
    // clear its "hide focus" state. Wine keeps no such state (WM_QUERYUISTATE
    // reads 0 whatever was asked), so there the requests themselves are what
    // is seen; where the state is kept, the focused control's is read. The
    // hook is in place before the window is activated again, so that little
    // of that second goes before the Tabs.
    HWND ok = Control(about, kAboutOk);
    HWND picture_box = Control(about, kAboutPicture);
    HWND text_box = Control(about, kAboutTextBox);
    focus_watched = about;
    const std::unique_ptr<std::remove_pointer_t<HHOOK>, HookUnhooker> hook(SetWindowsHookExW(
        WH_CALLWNDPROC, WatchForShownFocus, nullptr, GetWindowThreadProcessId(about, nullptr)));
    ASSERT_NE(hook, nullptr);
    ASSERT_TRUE(WaitFor([main] { return GetForegroundWindow() == main; }));
    SetForegroundWindow(about);
    ASSERT_TRUE(WaitFor([&] { return FocusOf(about) == ok; })) << "OK did not get the focus back";
    focus_shown_requests = 0;
    // As after an opening with the mouse.
    SendMessageW(about, WM_CHANGEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS), 0);
    const bool state_kept = (SendMessageW(ok, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) != 0;
    EXPECT_EQ(focus_shown_requests.load(), 0);
    HWND from = ok;
    for (HWND next : {picture_box, text_box, ok}) {
      PostMessageW(from, WM_KEYDOWN, VK_TAB, 0);
      EXPECT_TRUE(WaitFor([&] { return FocusOf(about) == next; }, 500ms));
      from = next;
    }
    EXPECT_EQ(focus_shown_requests.load(), 3) << "a Tab did not ask the window to show the focus";
    if (state_kept) {
      EXPECT_EQ(SendMessageW(ok, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS, 0)
          << "the focus is still hidden after a Tab";
    } else {
      RecordProperty("ui_state", "not kept by this system; the requests were checked");
    }

    // Enter and Esc press nothing. Posted messages are handled in order, so
    // once the double-click posted after them has shown, they have been too.
    for (HWND target : {text_box, ok}) {
      PostMessageW(target, WM_KEYDOWN, VK_RETURN, 0);
      PostMessageW(target, WM_KEYDOWN, VK_ESCAPE, 0);
    }
    HWND creator = Control(about, kAboutCreator);
    PostMessageW(creator, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(4, 4));
    EXPECT_TRUE(WaitFor([&] { return TextOf(creator) == L"tavisk@example.com"; }));
    EXPECT_TRUE(IsWindow(about));

    SendMessageW(ok, BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(about); }));
    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_EQ(StoredSetting("AboutLeft"), "1000");
    EXPECT_EQ(StoredSetting("AboutTop"), "1000");
    ExpectLampsChase(main);
  });
}

TEST_F(Program, ClosingTheMainWindowWhileAboutIsOpenEndsTheProgram) {
  StoreSetting("AboutLeft", "1500");
  RunProgramWithUser([](HWND main) {
    HWND about = OpenAboutFrom(Control(main, 7));  // the strip
    ASSERT_NE(about, nullptr);
    PostMessageW(main, WM_CLOSE, 0, 0);  // as another program would
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(about) && !IsWindow(main); }));
  });
  EXPECT_EQ(StoredSetting("AboutLeft"), "1500");
  EXPECT_EQ(StoredSetting("AboutTop"), "1000");
  EXPECT_EQ(StoredSetting("MainLeft"), "1000");
  EXPECT_EQ(StoredSetting("MainTop"), "1000");
  EXPECT_EQ(StoredSetting("MainWidth"), std::nullopt);  // never stored by the program
}

// ---- the frame around the client area --------------------------------------------

// Every lamp stands whole inside the client area.
void ExpectLampsInside(HWND main) {
  RECT client{};
  GetClientRect(main, &client);
  MapWindowPoints(main, nullptr, reinterpret_cast<POINT*>(&client), 2);
  for (int number = 1; number <= 7; ++number) {
    const RECT lamp = WindowRectOf(Lamp(main, number));
    EXPECT_TRUE(lamp.left >= client.left && lamp.right <= client.right && lamp.top >= client.top &&
                lamp.bottom <= client.bottom)
        << "lamp " << number << " is cut by the frame";
  }
}

int SmallCaptionHeight() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  return metrics.iSmCaptionHeight;
}

bool SetSmallCaptionHeight(int pixels) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  metrics.iSmCaptionHeight = pixels;
  return SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof metrics, &metrics,
                               SPIF_UPDATEINIFILE | SPIF_SENDCHANGE) != FALSE;
}

// A taller caption chosen in the system settings while the program runs: the
// frame grows around the same client area.
TEST_F(Program, AFrameChangeWhileRunningKeepsTheClientArea) {
  const int caption = SmallCaptionHeight();
  RunProgramWithUser([caption](HWND main) {
    const RECT before = WindowRectOf(main);
    ASSERT_TRUE(SetSmallCaptionHeight(caption + 10));
    EXPECT_TRUE(WaitFor([&] {
      const RECT now = WindowRectOf(main);
      return now.bottom - now.top == before.bottom - before.top + 10;
    })) << "the frame did not grow around the client area";
    EXPECT_EQ(PlacementOf(main), (Placement{176, 33, before.left, before.top}));
    SetSmallCaptionHeight(caption);
  });
  EXPECT_EQ(StoredSetting("MainLeft"), "1000");
}

// Run in a prefix with the frame metrics of Windows 10 and 11
// (VARN_WINE_FRAME=large): a 23 px small caption and padded borders.
class LargeFrame : public Program {
 protected:
  void SetUp() override {
    Program::SetUp();
    // The classic small caption is 15 to 17 px, by Wine release.
    ASSERT_GE(SmallCaptionHeight(), 23) << "this prefix has the classic frame metrics";
  }
};

TEST_F(LargeFrame, BothWindowsKeepTheirClientAreasAndTheMainWindowItsPlace) {
  StoreSetting("MainLeft", "3000");
  StoreSetting("MainTop", "1500");
  StoreSetting("AboutLeft", "6000");
  RunProgramWithUser([](HWND main) {
    EXPECT_EQ(PlacementOf(main), (Placement{176, 33, 200, 100}));
    ExpectLampsInside(main);
    ExpectLampsChase(main);

    HWND about = OpenAboutFrom(Lamp(main, 5));
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(ClientSizeOf(about).cx, 641);
    EXPECT_EQ(ClientSizeOf(about).cy, 262);
    EXPECT_EQ(WindowRectOf(about).left, 400);
    SendMessageW(Control(about, kAboutOk), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(about); }));

    SetWindowPos(main, nullptr, 300, 240, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitFor([main] { return !IsWindow(main); }));
  });
  EXPECT_EQ(StoredSetting("MainLeft"), "4500");
  EXPECT_EQ(StoredSetting("MainTop"), "3600");
  EXPECT_EQ(StoredSetting("AboutLeft"), "6000");
}

TEST_F(Program, MainWindowTakesTheTopmostPlaceFromTheForegroundWindow) {
  RunProgramWithUser([](HWND main) {
    // Another program's topmost window; a system class serves as any.
    HWND other =
        CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 400,
                        300, 200, 150, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(other, nullptr);
    SetForegroundWindow(other);
    ASSERT_TRUE(WaitFor([other] { return GetForegroundWindow() == other; }));
    EXPECT_TRUE(WaitFor([&] {
      return (GetWindowLongPtrW(other, GWL_EXSTYLE) & WS_EX_TOPMOST) == 0 &&
             (GetWindowLongPtrW(main, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    })) << "the foreground window kept the topmost place";
    DestroyWindow(other);
  });
}

// Num Lock as the program's thread sees it once it has taken the key
// messages in: this thread shares its input state for the test.
bool NumLockOn() {
  return (GetKeyState(VK_NUMLOCK) & 1) != 0;
}

// A person's pointer move of one pixel, as the system counts input.
void PersonMovesThePointer() {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dx = 1;
  input.mi.dwFlags = MOUSEEVENTF_MOVE;
  SendInput(1, &input, sizeof input);
}

// Since the last input the system counted, as its screen saver, lock and
// sleep count it.
std::chrono::milliseconds IdleTime() {
  LASTINPUTINFO last{};
  last.cbSize = sizeof last;
  GetLastInputInfo(&last);
  return std::chrono::milliseconds(GetTickCount() - last.dwTime);
}

// Left alone, the program stops pressing within a minute or so with Num Lock
// as it found it, so the system's idle clock runs on; a person's input
// brings the presses back. (Run on its own: it waits for a minute.)
using LeftAlone = Program;

TEST_F(LeftAlone, NumLockRestsAndTheIdleClockRunsOnUntilAPersonComes) {
  RunProgramWithUser([](HWND main) {
    PersonMovesThePointer();
    const DWORD program_thread = GetWindowThreadProcessId(main, nullptr);
    ASSERT_TRUE(AttachThreadInput(GetCurrentThreadId(), program_thread, TRUE));
    const bool first = NumLockOn();
    EXPECT_TRUE(WaitFor([first] { return NumLockOn() != first; })) << "Num Lock was never pressed";
    EXPECT_TRUE(WaitFor([] { return IdleTime() >= 15s; }, 110s))
        << "the presses held the idle clock back: " << IdleTime().count() << " ms";
    EXPECT_EQ(NumLockOn(), first) << "Num Lock was left changed";

    PersonMovesThePointer();
    EXPECT_TRUE(WaitFor([first] { return NumLockOn() != first; }, 5s))
        << "a person's input did not bring the presses back";
    EXPECT_LT(IdleTime(), 5s);
    AttachThreadInput(GetCurrentThreadId(), program_thread, FALSE);
  });
}

}  // namespace
