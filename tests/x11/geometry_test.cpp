// The program under the window managers people run (those of GNOME, KDE and
// Xfce, and plain ones) and at the resolutions of today's displays: where
// the windows stand, how big the main window's client area is, that an
// unmoved window saves back exactly what was stored however often it starts,
// and that the About window takes the keyboard when it opens.
#include "about/about_design.h"
#include "app/main_design.h"
#include "platform/twips.h"
#include "x11_test_support.h"

namespace {

using namespace testing_support;

struct Desk {
  const char* window_manager;  // "" for none
  int dpi;
  const char* screen = "1024x768x24";
};

void PrintTo(const Desk& desk, std::ostream* out) {
  *out << (*desk.window_manager ? desk.window_manager : "no window manager") << " at " << desk.dpi
       << " dpi";
}

std::string DeskName(const testing::TestParamInfo<Desk>& info) {
  return std::string(*info.param.window_manager ? info.param.window_manager : "none") +
         std::to_string(info.param.dpi) + "dpi";
}

// A private X server at the desk's resolution with its window manager.
class OnADesk : public testing::TestWithParam<Desk> {
 protected:
  void SetUp() override {
    ASSERT_FALSE(server_.Display().empty()) << "could not start Xvfb";
    ASSERT_TRUE(x_.Ok());
    // As a desktop session sets it for its programs.
    x_.SetRootText("RESOURCE_MANAGER", "Xft.dpi:\t" + std::to_string(GetParam().dpi) + "\n");
    if (Managed()) {
      manager_.emplace(GetParam().window_manager, server_.Display());
      ASSERT_TRUE(manager_->Ok()) << GetParam().window_manager << " did not start";
    }
  }

  bool Managed() const { return *GetParam().window_manager != '\0'; }
  // Waits until the window's outer corner (the client's with no window
  // manager) is at x (any x when nullopt), y; `seen` is the last rectangle
  // read.
  bool OuterReaches(xcb_window_t window, std::optional<int> x, int y,
                    std::optional<Rect>& seen) const {
    return WaitUntil(
        [&] {
          seen = Managed() ? x_.OuterFrame(window) : x_.ClientRect(window);
          return seen && seen->x == x.value_or(seen->x) && seen->y == y;
        },
        10s);
  }
  int Pixels(float twips) const { return platform::TwipsToPixels(twips, TwipsPerPixel()); }
  double TwipsPerPixel() const { return platform::TwipsPerPixel(GetParam().dpi); }

  PrivateXServer server_{{"-screen", "0", GetParam().screen}, GetParam().dpi};
  DisplayClient x_{server_.Display()};
  std::optional<WindowManager> manager_;
  TemporaryFolder config_;
};

class MainWindowGeometry : public OnADesk {};

// Ten starts in a row, each closed unmoved: every one stands at the stored
// place and saves it back exactly, so nothing creeps from start to start.
TEST_P(MainWindowGeometry, StandsAtItsStoredPlaceWithTheWholeStripAndSavesItBackEveryStart) {
  WriteFile(IniPath(config_.Path()), "[Settings]\nMainLeft=3000\nMainTop=4500\n");
  for (int start = 1; start <= 10; ++start) {
    SCOPED_TRACE("start " + std::to_string(start));
    ProgramProcess program(server_.Display(), config_.Path());
    const xcb_window_t main = program.WaitForMainWindow(x_, Managed());
    ASSERT_NE(main, XCB_NONE);
    std::optional<Rect> outer;
    const bool placed = OuterReaches(main, Pixels(3000), Pixels(4500), outer);
    EXPECT_TRUE(placed) << "outer corner at " << (outer ? outer->x : -1) << ","
                        << (outer ? outer->y : -1) << ", not " << Pixels(3000) << ","
                        << Pixels(4500);
    if (start == 1) {
      const std::optional<Rect> client = x_.ClientRect(main);
      ASSERT_TRUE(client);
      EXPECT_EQ(client->width, Pixels(2760 - 120));
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
    EXPECT_EQ(StoredNumber(config_.Path(), "MainLeft"), 3000.0f);
    EXPECT_EQ(StoredNumber(config_.Path(), "MainTop"), 4500.0f);
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

// Opened with a double-click, the About window stands at its stored place
// with its client area, has the keyboard: Return presses OK, which has the
// focus first, and it saves where it stood.
TEST_P(AboutWindowOnADesk, StandsAtItsPlaceTakesTheFocusAndReturnPressesOk) {
  // Wholly on the screen, where no window manager moves it.
  WriteFile(IniPath(config_.Path()), "[Settings]\nAboutLeft=3000\nAboutTop=4500\n");
  ProgramProcess program(server_.Display(), config_.Path());
  const xcb_window_t main = program.WaitForMainWindow(x_, /*framed=*/true);
  ASSERT_NE(main, XCB_NONE);
  // Where the frame is learnt only after mapping, the window moves once to
  // stand at its place: the lamps are clicked there.
  std::optional<Rect> outer;
  ASSERT_TRUE(OuterReaches(main, Pixels(1000), Pixels(1000), outer));
  const Rect lamp = ControlRect(x_, main, app::MainWindowDesign(), "VARN_LABEL_4", TwipsPerPixel());
  const std::string display = "DISPLAY=" + server_.Display();
  ASSERT_TRUE(DoubleClickOnAChild(x_, main, lamp.Centre()));
  const xcb_window_t about = program.WaitForAboutWindow(x_);
  ASSERT_NE(about, XCB_NONE);
  EXPECT_TRUE(OuterReaches(about, Pixels(3000), Pixels(4500), outer))
      << "outer corner at " << (outer ? outer->x : -1) << "," << (outer ? outer->y : -1);
  const std::optional<Rect> client = x_.ClientRect(about);
  ASSERT_TRUE(client);
  EXPECT_EQ(client->width, Pixels(about::AboutWindowDesign().client_width));
  EXPECT_EQ(client->height, Pixels(about::AboutWindowDesign().client_height));
  EXPECT_TRUE(WaitUntil([&] { return x_.ActiveIs(about); }, 10s))
      << "the About window did not take the focus";
  EXPECT_EQ(x_.Values(about, "WM_TRANSIENT_FOR"), std::vector<std::uint32_t>{main});
  EXPECT_TRUE(x_.Has(about, "_NET_WM_STATE", "_NET_WM_STATE_MODAL"));
  ASSERT_EQ(RunCommand({"env", display, "xdotool", "key", "Return"}), 0);
  EXPECT_TRUE(WaitUntil([&] { return x_.WindowOf(program.Pid(), "VARN-ON") == XCB_NONE; }, 10s))
      << "Return did not press OK";
  EXPECT_EQ(StoredNumber(config_.Path(), "AboutLeft"), 3000.0f);
  EXPECT_EQ(StoredNumber(config_.Path(), "AboutTop"), 4500.0f);
  program.CloseAndExpectCleanExit(x_, main);
  EXPECT_EQ(program.Stderr(), "");
}

class MovedMainWindow : public OnADesk {};

// Stored far off screen, the window is put wherever the window manager
// keeps it (some pull it into view); the user then moves it, as a pager or
// the title bar does through the window manager, and that place is saved.
TEST_P(MovedMainWindow, WhereverTheWindowManagerFirstPutItTheUsersMoveIsSaved) {
  WriteFile(IniPath(config_.Path()), "[Settings]\nMainLeft=-30000\nMainTop=4500\n");
  ProgramProcess program(server_.Display(), config_.Path());
  const xcb_window_t main = program.WaitForMainWindow(x_, /*framed=*/true);
  ASSERT_NE(main, XCB_NONE);
  // Moved by the user only once it stands at its height, where the program
  // put it once it knew the frame: a user is not that quick.
  std::optional<Rect> outer;
  ASSERT_TRUE(OuterReaches(main, std::nullopt, Pixels(4500), outer));
  constexpr std::uint32_t kNorthWestXYByPager = 1 | 1 << 8 | 1 << 9 | 2 << 12;
  x_.SendToWindowManager(main, "_NET_MOVERESIZE_WINDOW", {kNorthWestXYByPager, 300, 200, 0, 0});
  EXPECT_TRUE(OuterReaches(main, 300, 200, outer))
      << "the window manager left the window at " << (outer ? outer->x : -1) << ","
      << (outer ? outer->y : -1);
  program.CloseAndExpectCleanExit(x_, main);
  EXPECT_EQ(StoredNumber(config_.Path(), "MainLeft"), 300 * TwipsPerPixel());
  EXPECT_EQ(StoredNumber(config_.Path(), "MainTop"), 200 * TwipsPerPixel());
}

INSTANTIATE_TEST_SUITE_P(Desktops, MovedMainWindow,
                         testing::Values(Desk{"openbox", 96}, Desk{"xfwm4", 96},
                                         Desk{"metacity", 96}, Desk{"mutter", 96},
                                         Desk{"kwin", 96}),
                         DeskName);

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
