// The About window on the desktop in DISPLAY: opened from the lamps, what it
// shows, how it takes the keyboard and the mouse, and how it closes.
#include <algorithm>

#include "about/about_design.h"
#include "app/main_design.h"
#include "x11_test_support.h"

namespace {

using namespace testing_support;

// GTK keeps the text's Windows line end, as the Windows program does.
constexpr char kLinkText[] = "MARQUENT: http://www.example.com/\r\n";

class X11AboutWindow : public OnTheDesktop {
 protected:
  // The About window opens at 400,400 px, clear of the main window, so both
  // can be seen at once.
  void SetUp() override {
    OnTheDesktop::SetUp();
    WriteFile(IniPath(config_.Path()), "[Settings]\nAboutLeft=6000\nAboutTop=6000\n");
  }

  // Starts the program and opens the About window with a double-click on a
  // lamp; XCB_NONE (and a failure) when it did not show.
  xcb_window_t OpenAbout(ProgramProcess& program, int lamp) {
    main_ = program.WaitForMainWindow(x_, /*framed=*/true);
    if (main_ == XCB_NONE) {
      return XCB_NONE;
    }
    EXPECT_TRUE(DoubleClickOnAChild(
        x_, main_,
        ControlRect(x_, main_, app::MainWindowDesign(), "VARN_LABEL_" + std::to_string(lamp))
            .Centre()));
    return program.WaitForAboutWindow(x_);
  }

  Rect AboutRect(xcb_window_t about, std::string_view control) const {
    return ControlRect(x_, about, about::AboutWindowDesign(), control);
  }

  xcb_window_t main_ = XCB_NONE;
};

bool GreenOnBlack(const Image& image) {
  bool green = false;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      green = green || IsGreen(image.At(x, y));
    }
  }
  return green && IsBlack(image.At(2, 2)) && IsBlack(image.At(image.width - 3, image.height - 3));
}

TEST_F(X11AboutWindow, OpensModalShowsItsControlsTakesTheKeyboardRightAndSavesOnOk) {
  ProgramProcess program(display_, config_.Path());
  const xcb_window_t about = OpenAbout(program, 3);
  ASSERT_NE(about, XCB_NONE);
  // (Modal and transient for the main window: AboutWindowOnADesk.)
  EXPECT_TRUE(x_.Has(about, "_NET_WM_STATE", "_NET_WM_STATE_SKIP_TASKBAR"));
  EXPECT_TRUE(x_.Has(about, "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_DIALOG"));
  EXPECT_EQ(x_.ClientRect(about)->width, 641);
  EXPECT_EQ(x_.ClientRect(about)->height, 262);

  // (The labels' colours and every control's place: X11AboutTheme.) The
  // picture fills its sunken box: many colours, none of them the face's.
  const Rect picture = AboutRect(about, "VARN_PIC_PICBOX");
  EXPECT_EQ(picture.width, 318);
  EXPECT_TRUE(WaitUntil(
      [&] {
        std::vector<std::uint32_t> colours =
            x_.ScreenImage({picture.x + 2, picture.y + 2, 314, 162}).pixels;
        std::ranges::sort(colours);
        return std::ranges::unique(colours).begin() - colours.begin() > 500;
      },
      5s));

  // The program goes on behind the modal window.
  int lamp = 0;
  EXPECT_TRUE(WaitUntil([&] { return (lamp = RedLamp(x_, main_)) != 0; }, 5s));
  EXPECT_TRUE(WaitUntil([&] { return RedLamp(x_, main_) != lamp && RedLamp(x_, main_); }, 5s));

  // Tab twice brings the focus to the text box (the labels are skipped),
  // where Ctrl+A selects all of it and Ctrl+C offers it as CLIPBOARD to
  // other programs; Tab again and Space press OK.
  XdotoolOn(x_, {"key", "--delay", "30", "Tab", "Tab", "ctrl+a", "ctrl+c"});
  std::optional<std::string> copied;
  EXPECT_TRUE(WaitUntil([&] { return (copied = x_.Selection("CLIPBOARD")) == kLinkText; }, 10s))
      << "copied: " << copied.value_or("(nothing)");
  XdotoolOn(x_, {"key", "--delay", "30", "Tab", "space"});
  EXPECT_TRUE(WaitUntil([&] { return x_.WindowOf(program.Pid(), "VARN-ON") == XCB_NONE; }, 10s))
      << "Space on OK did not close the window";
  ASSERT_TRUE(program.Running());
  EXPECT_EQ(StoredNumber(config_.Path(), "AboutLeft"), 6000.0f);
  EXPECT_EQ(StoredNumber(config_.Path(), "AboutTop"), 6000.0f);
  program.CloseAndExpectCleanExit(x_, main_);
  EXPECT_EQ(program.Stderr(), "");
}

// A session that asks GTK programs for Wayland (GDK_BACKEND, beside a
// Wayland display) still gets the About window from GTK's widgets, on X11
// beside the main window. What GTK reads from the environment is fixed before
// the main window shows, and nothing changes the environment after that (a
// change beside another thread that reads it is a data race): not loading
// GTK, which takes a launcher's start-up id out, nor starting it.
TEST_F(X11AboutWindow, TheMouseSelectsTextRevealsTheAuthorAndOkClosesWhateverBackendGtkIsAskedFor) {
  const std::string changes = config_.File("environment-changes");
  const char* asan = std::getenv("ASAN_OPTIONS");
  ProgramProcess program(
      display_, config_.Path(), {},
      {"GDK_BACKEND=wayland", "WAYLAND_DISPLAY=wayland-varn", "DESKTOP_STARTUP_ID=launcher_TIME0",
       "LD_PRELOAD=" VARN_ENVIRONMENT_WITNESS, "VARN_ENVIRONMENT_LOG=" + changes,
       // The witness is loaded before the sanitizers' runtime, which is
       // otherwise refused.
       std::string("ASAN_OPTIONS=") + (asan != nullptr ? std::string(asan) + ":" : "") +
           "verify_asan_link_order=0"});
  ASSERT_NE(program.WaitForMainWindow(x_, /*framed=*/true), XCB_NONE);
  const std::string at_start = ReadFile(changes);
  // The witness sees the program's own settings at its start.
  EXPECT_NE(at_start.find("setenv GDK_BACKEND\n"), std::string::npos) << at_start;

  const xcb_window_t about = OpenAbout(program, 7);
  ASSERT_NE(about, XCB_NONE);
  // Three clicks select the line under the pointer (not its end), offered
  // as PRIMARY.
  const Rect link = AboutRect(about, "MARQUENT_WEBSITE_LINK");
  ClickAt(x_, {link.x + link.width * 3 / 4, link.y + 10}, 3, 80);
  EXPECT_TRUE(WaitUntil(
      [&] { return x_.Selection("PRIMARY") == "MARQUENT: http://www.example.com/"; }, 10s))
      << "selected: " << x_.Selection("PRIMARY").value_or("(nothing)");
  // The creator line shows another text once double-clicked.
  const Rect creator = AboutRect(about, "BRELLOCK_VARN_ON_CREATOR");
  const Image before = x_.ScreenImage(creator);
  ClickAt(x_, creator.Centre(), 2);
  EXPECT_TRUE(WaitUntil([&] { return x_.ScreenImage(creator).pixels != before.pixels; }, 10s));
  EXPECT_TRUE(GreenOnBlack(x_.ScreenImage(creator)));
  ClickAt(x_, AboutRect(about, "OK_BUTTON").Centre());
  EXPECT_TRUE(WaitUntil([&] { return x_.WindowOf(program.Pid(), "VARN-ON") == XCB_NONE; }, 10s));
  EXPECT_TRUE(program.Running());
  program.CloseAndExpectCleanExit(x_, main_);
  EXPECT_EQ(ReadFile(changes), at_start) << "changed after the main window showed";
  EXPECT_EQ(program.Stderr(), "");
}

// The GTK theme's face and button where the design sets no colour, the
// design's own colours where it does, and every control at its place: under
// Adwaita and its dark variant.
class X11AboutTheme : public X11AboutWindow, public testing::WithParamInterface<const char*> {};

int Brightness(Rgb colour) {
  return (colour.red + colour.green + colour.blue) / 3;
}

TEST_P(X11AboutTheme, FaceAndButtonFollowTheThemeLabelsStayGreenOnBlackAllInPlace) {
  const bool dark = std::string(GetParam()).ends_with(":dark");
  ProgramProcess program(display_, config_.Path(), {}, {std::string("GTK_THEME=") + GetParam()});
  const xcb_window_t about = OpenAbout(program, 5);
  ASSERT_NE(about, XCB_NONE);
  const Rect client = *x_.ClientRect(about);
  // Once drawn: below the OK button, where no control stands.
  Rgb face;
  EXPECT_TRUE(WaitUntil(
      [&] {
        face = x_.ScreenImage({client.x + 20, client.y + 250, 1, 1}).At(0, 0);
        return Brightness(face) > 0 &&
               GreenOnBlack(x_.ScreenImage(AboutRect(about, "VARN_DEDICATION_LABEL")));
      },
      5s));
  EXPECT_TRUE(dark ? Brightness(face) < 100 : Brightness(face) > 200)
      << "face " << face.red << "," << face.green << "," << face.blue;
  const auto is_face = [&](Point at) {
    const Rgb seen = x_.ScreenImage({at.x, at.y, 1, 1}).At(0, 0);
    return seen.red == face.red && seen.green == face.green && seen.blue == face.blue;
  };

  const Rect ok = AboutRect(about, "OK_BUTTON");
  const Rgb inside = x_.ScreenImage({ok.x + 6, ok.y + ok.height / 2, 1, 1}).At(0, 0);
  EXPECT_TRUE(dark ? Brightness(inside) < 100 : Brightness(inside) > 200)
      << "button " << inside.red << "," << inside.green << "," << inside.blue;
  for (const char* name :
       {"OK_BUTTON", "VARN_PIC_PICBOX", "MARQUENT_WEBSITE_LINK", "BRELLOCK_VARN_ON_TITLE",
        "BRELLOCK_VARN_ON_VERSION", "BRELLOCK_VARN_ON_CREATOR", "BRELLOCK_VARN_ON_FREEWARE",
        "VARN_DEDICATION_LABEL"}) {
    // Face a little outside each edge (past the button's shadow in the
    // theme), the control's own edge just inside.
    const Rect rect = AboutRect(about, name);
    const Point middle = rect.Centre();
    for (const Point outside :
         {Point{rect.x - 5, middle.y}, Point{rect.x + rect.width + 4, middle.y},
          Point{middle.x, rect.y - 5}, Point{middle.x, rect.y + rect.height + 4}}) {
      EXPECT_TRUE(is_face(outside)) << name << " spills to " << outside.x << "," << outside.y;
    }
    for (const Point edge : {Point{rect.x, middle.y}, Point{rect.x + rect.width - 1, middle.y}}) {
      EXPECT_FALSE(is_face(edge)) << name << " does not reach " << edge.x << "," << edge.y;
    }
  }
  for (const char* label :
       {"BRELLOCK_VARN_ON_TITLE", "BRELLOCK_VARN_ON_VERSION", "BRELLOCK_VARN_ON_CREATOR",
        "BRELLOCK_VARN_ON_FREEWARE", "VARN_DEDICATION_LABEL"}) {
    EXPECT_TRUE(GreenOnBlack(x_.ScreenImage(AboutRect(about, label)))) << label;
  }
  // Closing the main window unloads the About window first, and both
  // places are saved.
  program.CloseAndExpectCleanExit(x_, main_);
  for (const auto& [key, twips] : std::vector<std::pair<const char*, float>>{
           {"AboutLeft", 6000}, {"AboutTop", 6000}, {"MainLeft", 1000}, {"MainTop", 1000}}) {
    EXPECT_EQ(StoredNumber(config_.Path(), key), twips) << key;
  }
  EXPECT_EQ(program.Stderr(), "");
}

INSTANTIATE_TEST_SUITE_P(Themes, X11AboutTheme, testing::Values("Adwaita", "Adwaita:dark"),
                         [](const testing::TestParamInfo<const char*>& info) {
                           return std::string(info.param).ends_with(":dark") ? "AdwaitaDark"
                                                                             : "Adwaita";
                         });

}  // namespace
