// The program under the window managers people run (those of GNOME, KDE and
// Xfce, and plain ones) and at the resolutions of today's displays: where
// the windows stand, how big the main window's client area is, that an
// unmoved window saves back exactly what was stored however often it starts,
// and that the About window takes the keyboard when it opens.
#include "about/about_design.h"
#include "app/main_design.h"
#include "x11_test_support.h"

namespace {

using namespace testing_support;

class MainWindowGeometry : public OnADesk {};

// Ten starts in a row, each closed unmoved: every one stands at the stored
// place (between pixels) with the stored width and saves it back exactly,
// so nothing creeps from start to start; what else the file holds is kept.
TEST_P(MainWindowGeometry, StandsAtItsStoredPlaceWithTheWholeStripAndSavesItBackEveryStart) {
  WriteFile(IniPath(config_.Path()),
            "# kept\n[Settings]\nMainLeft=3000.5\nMainTop=4499.9\nMainWidth=3600\n");
  for (int start = 1; start <= 10; ++start) {
    SCOPED_TRACE("start " + std::to_string(start));
    ProgramProcess program(server_.Display(), config_.Path());
    const xcb_window_t main = program.WaitForMainWindow(x_, Managed());
    ASSERT_NE(main, XCB_NONE);
    EXPECT_TRUE(OuterReaches(main, Pixels(3000.5), Pixels(4499.9)));
    if (start == 1) {
      const std::optional<Rect> client = x_.ClientRect(main);
      ASSERT_TRUE(client);
      EXPECT_EQ(client->width, Pixels(3600 - 120));
      if (std::string_view(GetParam().window_manager) == "kwin") {
        // kwin never lets a framed client be shorter than its frame's top
        // and bottom borders together: the strip shows whole all the same.
        EXPECT_GE(client->height, Pixels(855 - 360));
      } else {
        EXPECT_EQ(client->height, Pixels(855 - 360));
      }
      const Rect last_lamp =
          ControlRect(x_, main, app::MainWindowDesign(), "VARN_LABEL_7", TwipsPerPixel());
      EXPECT_LE(last_lamp.x + last_lamp.width, client->x + client->width);
      EXPECT_LE(last_lamp.y + last_lamp.height, client->y + client->height);
      int lamp = 0;
      EXPECT_TRUE(WaitUntil([&] { return (lamp = RedLamp(x_, main, TwipsPerPixel())) != 0; }, 10s));
      EXPECT_TRUE(WaitUntil([&] { return RedLamp(x_, main, TwipsPerPixel()) != lamp; }, 10s));
      // A tool window: in neither the taskbar nor the pager, as the window
      // manager keeps the state.
      EXPECT_TRUE(x_.Has(main, "_NET_WM_STATE", "_NET_WM_STATE_SKIP_TASKBAR"));
      EXPECT_TRUE(x_.Has(main, "_NET_WM_STATE", "_NET_WM_STATE_SKIP_PAGER"));
    }
    program.CloseAndExpectCleanExit(x_, main);
    const std::string text = ReadFile(IniPath(config_.Path()));
    for (const char* line : {"MainLeft=3000.5\n", "MainTop=4499.9\n", "MainWidth=3600\n"}) {
      EXPECT_NE(text.find(line), std::string::npos) << text;
    }
    EXPECT_TRUE(text.starts_with("# kept\n")) << text;
    EXPECT_EQ(program.Stderr(), "");
    if (testing::Test::HasFailure()) {
      return;  // one start's failure says it all
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Desktops, MainWindowGeometry,
                         testing::Values(Desk{"", 96}, Desk{"openbox", 96}, Desk{"openbox", 144},
                                         Desk{"openbox", 192}, Desk{"xfwm4", 96},
                                         Desk{"xfwm4", 144}, Desk{"xfwm4", 192},
                                         Desk{"metacity", 96}, Desk{"metacity", 144},
                                         Desk{"metacity", 192}, Desk{"mutter", 96},
                                         Desk{"mutter", 144}, Desk{"mutter", 192}, Desk{"kwin", 96},
                                         Desk{"kwin", 144}, Desk{"kwin", 192}),
                         DeskName);

class AboutWindowOnADesk : public OnADesk {};

// Stored far off screen, the main window is put wherever the window manager
// keeps it (some pull it into view); the user then moves it, as a pager or
// the title bar does through the window manager, and that place is saved.
// Opened there with a double-click, the About window stands at its stored
// place with its client area, has the keyboard: Return presses OK, which has
// the focus first, and it saves where it stood.
TEST_P(AboutWindowOnADesk, TheMovedMainWindowIsSavedAndTheAboutWindowTakesTheFocus) {
  WriteFile(IniPath(config_.Path()),
            "[Settings]\nMainLeft=-30000\nMainTop=4500\nAboutLeft=3000\nAboutTop=4500\n");
  ProgramProcess program(server_.Display(), config_.Path());
  const xcb_window_t main = program.WaitForMainWindow(x_, /*framed=*/true);
  ASSERT_NE(main, XCB_NONE);
  // Moved by the user only once it stands at its height, where the program
  // put it once it knew the frame: a user is not that quick.
  ASSERT_TRUE(OuterReaches(main, std::nullopt, Pixels(4500)));
  constexpr std::uint32_t kNorthWestXYByPager = 1 | 1 << 8 | 1 << 9 | 2 << 12;
  x_.SendToWindowManager(main, "_NET_MOVERESIZE_WINDOW", {kNorthWestXYByPager, 300, 200, 0, 0});
  ASSERT_TRUE(OuterReaches(main, 300, 200)) << "the window manager did not move the window";

  const Rect lamp = ControlRect(x_, main, app::MainWindowDesign(), "VARN_LABEL_4", TwipsPerPixel());
  ASSERT_TRUE(DoubleClickOnAChild(x_, main, lamp.Centre()));
  const xcb_window_t about = program.WaitForAboutWindow(x_);
  ASSERT_NE(about, XCB_NONE);
  EXPECT_TRUE(OuterReaches(about, Pixels(3000), Pixels(4500)));
  const std::optional<Rect> client = x_.ClientRect(about);
  ASSERT_TRUE(client);
  EXPECT_EQ(client->width, Pixels(about::AboutWindowDesign().client_width));
  EXPECT_EQ(client->height, Pixels(about::AboutWindowDesign().client_height));
  EXPECT_TRUE(WaitUntil([&] { return x_.ActiveIs(about); }, 10s))
      << "the About window did not take the focus";
  EXPECT_EQ(x_.Values(about, "WM_TRANSIENT_FOR"), std::vector<std::uint32_t>{main});
  EXPECT_TRUE(x_.Has(about, "_NET_WM_STATE", "_NET_WM_STATE_MODAL"));
  ASSERT_TRUE(XdotoolOn(x_, {"key", "Return"}));
  EXPECT_TRUE(WaitUntil([&] { return x_.WindowOf(program.Pid(), "VARN-ON") == XCB_NONE; }, 10s))
      << "Return did not press OK";
  EXPECT_EQ(StoredNumber(config_.Path(), "AboutLeft"), 3000.0f);
  EXPECT_EQ(StoredNumber(config_.Path(), "AboutTop"), 4500.0f);
  program.CloseAndExpectCleanExit(x_, main);
  EXPECT_EQ(StoredNumber(config_.Path(), "MainLeft"), 300 * TwipsPerPixel());
  EXPECT_EQ(StoredNumber(config_.Path(), "MainTop"), 200 * TwipsPerPixel());
  EXPECT_EQ(program.Stderr(), "");
}

// At 192 dpi the About window is some 1300 px wide.
constexpr const char* kLargeScreen = "2200x1500x24";
INSTANTIATE_TEST_SUITE_P(Desktops, AboutWindowOnADesk,
                         testing::Values(Desk{"openbox", 96}, Desk{"openbox", 144, kLargeScreen},
                                         Desk{"openbox", 192, kLargeScreen}, Desk{"xfwm4", 96},
                                         Desk{"xfwm4", 144, kLargeScreen},
                                         Desk{"xfwm4", 192, kLargeScreen}, Desk{"metacity", 96},
                                         Desk{"metacity", 144, kLargeScreen},
                                         Desk{"metacity", 192, kLargeScreen}, Desk{"mutter", 96},
                                         Desk{"mutter", 144, kLargeScreen},
                                         Desk{"mutter", 192, kLargeScreen}, Desk{"kwin", 96},
                                         Desk{"kwin", 144, kLargeScreen},
                                         Desk{"kwin", 192, kLargeScreen}),
                         DeskName);

}  // namespace
