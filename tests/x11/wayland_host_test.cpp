// The program as an Xwayland client of a Wayland session: GNOME's mutter,
// headless, with the Xwayland it starts. The windows stand at their stored
// places, the lamps chase, and unmoved windows save their places back.

#include "app/main_design.h"
#include "x11_test_support.h"

namespace {

using namespace testing_support;

// mutter as a headless Wayland compositor with one virtual monitor, a
// private session bus and runtime folder; its Xwayland's display and the
// key to it once it says it takes X clients.
class WaylandSession {
 public:
  WaylandSession() {
    const std::string runtime = folder_.File("runtime");
    std::filesystem::create_directory(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    mutter_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"dbus-run-session", "--", "mutter", "--headless", "--wayland",
                                 "--virtual-monitor", "1280x1024", "--wayland-display",
                                 "varn-test"},
        std::vector<std::string>{"XDG_RUNTIME_DIR=" + runtime,
                                 "XDG_CONFIG_HOME=" + folder_.File("config"), "DISPLAY",
                                 "WAYLAND_DISPLAY"},
        folder_.File("log"));
    XwaylandOfMutterReady(folder_.File("log"), runtime, display_, authority_, 30s);
  }

  const std::string& Display() const { return display_; }
  const std::string& Authority() const { return authority_; }
  std::string Log() const { return ReadFile(folder_.File("log")); }

 private:
  TemporaryFolder folder_;
  std::unique_ptr<ChildProcess> mutter_;
  std::string display_, authority_;
};

TEST(XwaylandClient, WindowsStandAtTheirStoredPlacesChaseAndSaveThemBackUnderMutter) {
  WaylandSession session;
  ASSERT_FALSE(session.Display().empty()) << "mutter did not start Xwayland:\n" << session.Log();
  const ScopedAuthority authority(session.Authority());
  DisplayClient x(session.Display());
  ASSERT_TRUE(x.Ok());
  x.SetRootText("RESOURCE_MANAGER", "Xft.dpi:\t96\n");
  TemporaryFolder config;
  WriteFile(IniPath(config.Path()),
            "[Settings]\nMainLeft=3000\nMainTop=4500\nAboutLeft=6000\nAboutTop=6000\n");
  {
    ProgramProcess program(session.Display(), config.Path());
    const xcb_window_t main = program.WaitForMainWindow(x, /*framed=*/true);
    ASSERT_NE(main, XCB_NONE);
    std::optional<Rect> outer;
    const auto outer_reaches = [&](xcb_window_t window, int left, int top) {
      return WaitUntil(
          [&] {
            outer = x.OuterFrame(window);
            return outer && outer->x == left && outer->y == top;
          },
          10s);
    };
    EXPECT_TRUE(outer_reaches(main, 200, 300))
        << "outer corner at " << (outer ? outer->x : -1) << "," << (outer ? outer->y : -1);
    int lamp = 0;
    EXPECT_TRUE(WaitUntil([&] { return (lamp = RedLamp(x, main)) != 0; }, 10s));
    EXPECT_TRUE(WaitUntil([&] { return RedLamp(x, main) != lamp; }, 10s));

    // GTK's About window, an X client too.
    const Rect lamp_4 = ControlRect(x, main, app::MainWindowDesign(), "VARN_LABEL_4");
    ASSERT_TRUE(DoubleClickOnAChild(x, main, lamp_4.Centre()));
    const xcb_window_t about = program.WaitForAboutWindow(x);
    ASSERT_NE(about, XCB_NONE);
    EXPECT_TRUE(outer_reaches(about, 400, 400))
        << "About's outer corner at " << (outer ? outer->x : -1) << "," << (outer ? outer->y : -1);
    const std::optional<Rect> client = x.ClientRect(about);
    ASSERT_TRUE(client);
    EXPECT_EQ(client->width, 641);
    EXPECT_EQ(client->height, 262);
    x.SendDeleteWindow(about);
    EXPECT_TRUE(WaitUntil([&] { return x.WindowOf(program.Pid(), "VARN-ON") == XCB_NONE; }, 10s))
        << "the About window did not close";
    program.CloseAndExpectCleanExit(x, main);
    // An Xwayland older than 23.1 has no XWAYLAND extension, so the program
    // cannot tell it from another X server without an idle clock, and says
    // so once if its first press came due; nothing else may be said.
    std::string said = program.Stderr();
    const std::string no_idle_clock =
        "brellock-varn-on: the X server has no MIT-SCREEN-SAVER extension, so Num Lock is "
        "pressed even while nobody is at the machine\n";
    if (said == no_idle_clock && !x.HasExtension("XWAYLAND")) {
      said.clear();
    }
    EXPECT_EQ(said, "");
  }
  EXPECT_EQ(StoredNumber(config.Path(), "MainLeft"), 3000.0f);
  EXPECT_EQ(StoredNumber(config.Path(), "MainTop"), 4500.0f);
  EXPECT_EQ(StoredNumber(config.Path(), "AboutLeft"), 6000.0f);
  EXPECT_EQ(StoredNumber(config.Path(), "AboutTop"), 6000.0f);
}

}  // namespace
