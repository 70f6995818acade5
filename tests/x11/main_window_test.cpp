// The main window as a first run shows it on the desktop in DISPLAY.
#include "app/main_design.h"
#include "x11_test_support.h"

namespace {

using namespace testing_support;

class X11MainWindow : public OnTheDesktop {};

TEST_F(X11MainWindow, FirstRunShowsTheStripAtTheDefaultsChasesAndSavesWhereItStood) {
  ProgramProcess program(display_, config_.Path());
  const xcb_window_t main = program.WaitForMainWindow(x_, /*framed=*/true);
  ASSERT_NE(main, XCB_NONE);
  EXPECT_EQ(x_.Text(main, "_NET_WM_NAME"), kMainCaption);
  EXPECT_EQ(x_.Text(main, "WM_NAME"), kMainCaption);
  EXPECT_EQ(x_.Text(main, "WM_CLASS"), std::string("brellock-varn-on\0BRELLOCK-VARN-ON\0", 34));
  EXPECT_TRUE(x_.Has(main, "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_UTILITY"));
  EXPECT_TRUE(x_.Has(main, "WM_PROTOCOLS", "WM_DELETE_WINDOW"));
  // Close, move and resize: no minimise or maximise function or button.
  EXPECT_EQ(x_.Values(main, "_MOTIF_WM_HINTS"), (std::vector<std::uint32_t>{3, 38, 30, 0, 0}));
  // 100 x 100 ARGB pixels, row by row: the icon's masked corner is clear, the
  // dark lamp in its middle opaque.
  const auto icon = x_.Values(main, "_NET_WM_ICON");
  ASSERT_EQ(icon.size(), 2u + 100 * 100);
  EXPECT_EQ(icon[0], 100u);
  EXPECT_EQ(icon[2 + 0] >> 24, 0u);
  EXPECT_EQ(icon[2 + 50 * 100 + 50], 0xFF340A0Au);
  EXPECT_EQ(icon[2 + 50 * 100 + 20], 0xFFA71A12u);

  // The outer corner at 1000, 1000 twips (its client area and the chase, at
  // each dpi: MainWindowGeometry).
  std::optional<Rect> outer = x_.OuterFrame(main);
  ASSERT_TRUE(outer);
  EXPECT_EQ(outer->x, 67);
  EXPECT_EQ(outer->y, 67);
  EXPECT_EQ(x_.ClientRect(main)->width, 176);  // (2760 - 120) / 15
  // Once drawn, the strip shows between the lamps and at its corners.
  const Rect strip = ControlRect(x_, main, app::MainWindowDesign(), "VARN_BACKGROUND_LABEL");
  const Rect lamp_1 = ControlRect(x_, main, app::MainWindowDesign(), "VARN_LABEL_1");
  const Rect lamp_2 = ControlRect(x_, main, app::MainWindowDesign(), "VARN_LABEL_2");
  const int gap_x = (lamp_1.x + lamp_1.width - 1 + lamp_2.x) / 2 - strip.x;
  EXPECT_TRUE(WaitUntil(
      [&] {
        const Image image = x_.ScreenImage(strip);
        return IsBlack(image.At(gap_x, strip.height / 2)) && IsBlack(image.At(1, 1)) &&
               IsBlack(image.At(strip.width - 2, strip.height - 2));
      },
      10s));

  outer = MoveWindow(x_, main, 300, 200);
  ASSERT_TRUE(outer);
  // The end of the session (SIGTERM) closes it as the user does, and saves.
  program.Terminate();
  ASSERT_TRUE(program.Ended(20s)) << "SIGTERM did not end the program";
  EXPECT_TRUE(program.EndedWithStatus(0)) << program.Outcome();
  EXPECT_TRUE(ReadFile(IniPath(config_.Path())).starts_with("[Settings]\n"));
  EXPECT_EQ(StoredNumber(config_.Path(), "MainLeft"), TwipsOf(outer->x));
  EXPECT_EQ(StoredNumber(config_.Path(), "MainTop"), TwipsOf(outer->y));
  EXPECT_EQ(program.Stderr(), "");
}

}  // namespace
