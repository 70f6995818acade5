// What a screen reader finds of the About window: its accessible tree on the
// accessibility bus of a private session (at-spi2-core), read through AT-SPI
// as screen readers read it, on an X server and window manager of the
// test's own (the bus's address is written on the server's root window).

#include "about/about_design.h"
#include "app/main_design.h"
#include "x11_test_support.h"

namespace {

using namespace testing_support;

// A session bus of its own; the accessibility bus is started on it when
// the program first asks for it, and ends with it.
class PrivateSessionBus {
 public:
  explicit PrivateSessionBus(const std::string& display) {
    std::filesystem::create_directory(folder_.File("runtime"));
    std::filesystem::permissions(folder_.File("runtime"), std::filesystem::perms::owner_all);
    daemon_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"dbus-daemon", "--session", "--nofork", "--address=" + Address()},
        std::vector<std::string>{"DISPLAY=" + display, "XDG_RUNTIME_DIR=" + folder_.File("runtime"),
                                 "HOME=" + folder_.Path()});
    ready_ = WaitUntil([&] { return std::filesystem::exists(folder_.File("bus")); }, 10s);
  }
  bool Ready() const { return ready_; }
  std::string Address() const { return "unix:path=" + folder_.File("bus"); }
  // The tree of the program's accessible objects, one line each (see
  // accessible_tree.py); empty while it is not on the bus.
  std::string TreeOf(const std::string& application) const {
    const std::string out = folder_.File("tree");
    std::filesystem::remove(out);
    RunCommand({"sh", "-c",
                "DBUS_SESSION_BUS_ADDRESS='" + Address() +
                    "' exec /usr/bin/python3 '" VARN_TREE_READER "' '" + application + "' >'" +
                    out + "' 2>/dev/null"});
    return ReadFile(out);
  }

 private:
  TemporaryFolder folder_;
  std::unique_ptr<ChildProcess> daemon_;
  bool ready_ = false;
};

// An object in the tree, named by its line's beginning: "role|name" or
// "role|name|focused".
bool Holds(const std::string& tree, const std::string& line) {
  return tree.find(line + "|") != std::string::npos || tree.find(line + "\n") != std::string::npos;
}

TEST(AboutWindowAccessibility,
     AScreenReaderFindsTheFrameItsLabelsTheFocusedOkTheTextAndThePicture) {
  PrivateXServer server;
  ASSERT_FALSE(server.Display().empty());
  WindowManager manager("openbox", server.Display());
  ASSERT_TRUE(manager.Ok());
  DisplayClient x(server.Display());
  PrivateSessionBus bus(server.Display());
  ASSERT_TRUE(bus.Ready()) << "dbus-daemon did not start";
  TemporaryFolder config;
  WriteFile(IniPath(config.Path()), "[Settings]\nAboutLeft=6000\nAboutTop=6000\n");
  ProgramProcess program(server.Display(), config.Path(), {},
                         {"DBUS_SESSION_BUS_ADDRESS=" + bus.Address()});
  const xcb_window_t main = program.WaitForMainWindow(x, /*framed=*/true);
  ASSERT_NE(main, XCB_NONE);
  ASSERT_TRUE(DoubleClickOnAChild(
      x, main, ControlRect(x, main, app::MainWindowDesign(), "VARN_LABEL_2").Centre()));
  const xcb_window_t about = program.WaitForAboutWindow(x);
  ASSERT_NE(about, XCB_NONE);

  std::string tree;
  EXPECT_TRUE(WaitUntil(
      [&] {
        tree = bus.TreeOf("brellock-varn-on");
        // "push button" until at-spi2-core 2.56, "button" since.
        return Holds(tree, "button|OK|focused");
      },
      20s))
      << tree;
  EXPECT_TRUE(Holds(tree, "  frame|VARN-ON")) << tree;
  // Each label in the design's font, 13.5 pt regular upright, in the whole
  // points that GTK's accessible text tells.
  for (const char* caption : {"BRELLOCK - VARN-ON", "Version 1.0", "Created By Tavisk",
                              "!!! FREEWARE !!!", "DEDICATED TO V.A.R.N."}) {
    const std::string line = std::string("label|") + caption + "||font:13 400 normal\n";
    EXPECT_NE(tree.find(line), std::string::npos) << line << tree;
  }
  EXPECT_NE(tree.find("text|||text:MARQUENT: http://www.example.com/\\r\\n"), std::string::npos)
      << tree;
  EXPECT_TRUE(Holds(tree, "icon|VARN_PIC_PICBOX")) << tree;

  // The creator's line, double-clicked, names the author's address.
  ClickAt(x, ControlRect(x, about, about::AboutWindowDesign(), "BRELLOCK_VARN_ON_CREATOR").Centre(),
          2);
  EXPECT_TRUE(WaitUntil(
      [&] {
        tree = bus.TreeOf("brellock-varn-on");
        return Holds(tree, "label|" + std::string(about::kAuthorEmail));
      },
      10s))
      << tree;
  EXPECT_FALSE(Holds(tree, "label|Created By Tavisk")) << tree;
  program.CloseAndExpectCleanExit(x, main);
  EXPECT_EQ(program.Stderr(), "");
}

}  // namespace
