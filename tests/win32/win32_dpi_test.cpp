// The frame code on Windows 7 and on Windows 10 and 11: with user32's per-window
// DPI calls hidden from the program's lookup, as on a system without them, both
// windows get the same client areas and outer corners as with them, at 96 dpi
// and (in a prefix at 144 dpi, VARN_WINE_DPI=144) at 144 dpi.
#include <gtest/gtest.h>

#include <ostream>

#include "platform/win32/newer_calls.h"
#include "win32_test_support.h"

namespace {

using namespace win32_test;

struct Geometry {
  Placement main, about;
  bool operator==(const Geometry&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Geometry& g) {
  return out << "main " << g.main << "; About " << g.about;
}

int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return dpi;
}

// One run of the program: the main window, then the About window opened
// from a lamp, as the frame code placed them. The About picture box, sized
// by the same frame call, goes into `picture`.
Geometry OpenBothWindows(SIZE& picture) {
  Geometry seen{};
  RunProgramWithUser([&](HWND main) {
    seen.main = PlacementOf(main);
    HWND about = OpenAboutFrom(Lamp(main, 4));
    ASSERT_NE(about, nullptr);
    seen.about = PlacementOf(about);
    const RECT box = WindowRectOf(Control(about, kAboutPicture));
    picture = {box.right - box.left, box.bottom - box.top};
    SendMessageW(Control(about, kAboutOk), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitFor([about] { return !IsWindow(about); }));
  });
  return seen;
}

// Both windows at stored places that stand whole on a 1280 x 1024 screen at
// 144 dpi too.
class NewerCallsAbsent : public testing::Test {
 protected:
  void SetUp() override {
    ClearSettings();
    StoreSetting("MainLeft", "3000");
    StoreSetting("MainTop", "1500");
    StoreSetting("AboutLeft", "1500");
    StoreSetting("AboutTop", "3000");
  }
  void TearDown() override { ClearSettings(); }

  // `expected` with the calls present, and again with the lookup finding
  // nothing; the picture box is the same size either way and holds the
  // 314 x 162 picture scaled to the DPI.
  static void ExpectTheSameGeometry(const Geometry& expected, SIZE scaled_picture) {
    SIZE picture_with{}, picture_without{};
    EXPECT_EQ(OpenBothWindows(picture_with), expected) << "with the calls";
    {
      const platform::win32::NewerCallsHidden hidden;
      EXPECT_EQ(OpenBothWindows(picture_without), expected) << "without them";
    }
    EXPECT_EQ(picture_without.cx, picture_with.cx);
    EXPECT_EQ(picture_without.cy, picture_with.cy);
    EXPECT_GT(picture_with.cx, scaled_picture.cx);
    EXPECT_GT(picture_with.cy, scaled_picture.cy);
  }
};

// 15 twips to the pixel: the main window's client is 2760 x 855 twips less
// 120 x 360, the About window's 9735 x 4290 less the same.
TEST_F(NewerCallsAbsent, At96DpiTheWindowsHaveTheirClientAreasAtTheirStoredCorners) {
  ASSERT_EQ(ScreenDpi(), 96);
  ExpectTheSameGeometry({{176, 33, 200, 100}, {641, 262, 100, 200}}, {314, 162});
}

// Moved to a monitor at 144 dpi, as Windows 8.1 and 10 tell a per-monitor
// aware program: the client area takes its size in twips at the new DPI, and
// the frame goes round it at the suggested place. Wine, like Windows 8.1 and
// 10 1607 (per-monitor v1), draws the frame with the system DPI's metrics
// whatever the window's DPI, with the newer calls present or not.
void ExpectADpiChangeFollowed() {
  RunProgramWithUser([](HWND main) {
    const RECT suggested{420, 240, 720, 320};
    SendMessageW(main, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(PlacementOf(main), (Placement{264, 50, 420, 240}));
  });
}

TEST_F(NewerCallsAbsent, ADpiChangeScalesTheClientAreaAndTakesTheSuggestedPlace) {
  ASSERT_EQ(ScreenDpi(), 96);
  {
    SCOPED_TRACE("with the calls");
    ExpectADpiChangeFollowed();
  }
  SCOPED_TRACE("without them");
  const platform::win32::NewerCallsHidden hidden;
  ExpectADpiChangeFollowed();
}

// Run in a prefix at 144 dpi (VARN_WINE_DPI=144): 10 twips to the pixel.
class HighDpi : public NewerCallsAbsent {
 protected:
  void SetUp() override {
    NewerCallsAbsent::SetUp();
    ASSERT_EQ(ScreenDpi(), 144) << "this prefix is not at 144 dpi";
  }
};

TEST_F(HighDpi, At144DpiTheWindowsHaveTheirClientAreasAtTheirStoredCorners) {
  // 495 twips is 49.5 px, rounded to 50; 9615 is 961.5, rounded to 962.
  ExpectTheSameGeometry({{264, 50, 300, 150}, {962, 393, 150, 300}}, {471, 243});
}

}  // namespace
