// Where the main window stands and how big its client area is, under the
// window managers people run and at the resolutions of today's displays: the
// outer corner at the stored place, the whole strip inside the frame, and an
// unmoved window saving back exactly what was stored.
#include "app/main_design.h"
#include "platform/twips.h"
#include "x11_test_support.h"

namespace {

using namespace testing_support;

struct Desk {
  const char* window_manager;  // "" for none
  int dpi;
};

void PrintTo(const Desk& desk, std::ostream* out) {
  *out << (*desk.window_manager ? desk.window_manager : "no window manager") << " at " << desk.dpi
       << " dpi";
}

class MainWindowGeometry : public testing::TestWithParam<Desk> {};

TEST_P(MainWindowGeometry, StandsAtItsStoredPlaceWithTheWholeStripAndSavesItBack) {
  const Desk desk = GetParam();
  PrivateXServer server({}, desk.dpi);
  ASSERT_FALSE(server.Display().empty()) << "could not start Xvfb";
  DisplayClient x(server.Display());
  ASSERT_TRUE(x.Ok());
  // As a desktop session sets it for its programs.
  x.SetRootText("RESOURCE_MANAGER", "Xft.dpi:\t" + std::to_string(desk.dpi) + "\n");
  std::optional<WindowManager> manager;
  if (*desk.window_manager) {
    manager.emplace(desk.window_manager, server.Display());
    ASSERT_TRUE(manager->Ok()) << desk.window_manager << " did not start";
  }
  TemporaryFolder config;
  WriteFile(IniPath(config.Path()), "[Settings]\nMainLeft=3000\nMainTop=4500\n");

  ProgramProcess program(server.Display(), config.Path());
  const bool managed = manager.has_value();
  const xcb_window_t main = program.WaitForMainWindow(x, managed);
  ASSERT_NE(main, XCB_NONE);
  const double tpp = platform::TwipsPerPixel(desk.dpi);
  const auto pixels = [tpp](float twips) { return platform::TwipsToPixels(twips, tpp); };
  std::optional<Rect> outer;
  std::optional<Rect> client;
  const bool placed = WaitUntil(
      [&] {
        client = x.ClientRect(main);
        outer = managed ? x.OuterFrame(main) : client;
        return outer && outer->x == pixels(3000) && outer->y == pixels(4500);
      },
      10s);
  EXPECT_TRUE(placed) << "outer corner at " << (outer ? outer->x : -1) << ","
                      << (outer ? outer->y : -1) << ", not " << pixels(3000) << "," << pixels(4500);
  ASSERT_TRUE(client);
  EXPECT_EQ(client->width, pixels(2760 - 120));
  EXPECT_EQ(client->height, pixels(855 - 360));
  const Rect last_lamp = ControlRect(x, main, app::MainWindowDesign(), "VARN_LABEL_7", tpp);
  EXPECT_LE(last_lamp.x + last_lamp.width, client->x + client->width);
  EXPECT_LE(last_lamp.y + last_lamp.height, client->y + client->height);
  int lamp = 0;
  EXPECT_TRUE(WaitUntil([&] { return (lamp = RedLamp(x, main, tpp)) != 0; }, 10s));
  EXPECT_TRUE(WaitUntil([&] { return RedLamp(x, main, tpp) != lamp; }, 10s));

  program.CloseAndExpectCleanExit(x, main);
  EXPECT_EQ(StoredNumber(config.Path(), "MainLeft"), 3000.0f);
  EXPECT_EQ(StoredNumber(config.Path(), "MainTop"), 4500.0f);
  EXPECT_EQ(program.Stderr(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Desktops, MainWindowGeometry,
    testing::Values(Desk{"", 96}, Desk{"openbox", 96}, Desk{"openbox", 144}, Desk{"openbox", 192},
                    Desk{"xfwm4", 96}, Desk{"xfwm4", 144}, Desk{"xfwm4", 192}, Desk{"metacity", 96},
                    Desk{"metacity", 144}, Desk{"metacity", 192}),
    [](const auto& info) {
      return std::string(*info.param.window_manager ? info.param.window_manager : "none") +
             std::to_string(info.param.dpi) + "dpi";
    });

}  // namespace
