// How the windows answer the mouse and the keyboard: the focus and the tab
// order, the double-click rule, push buttons and the locked text box.
#include <gtest/gtest.h>

#include <array>
#include <limits>

#include "about/about_design.h"
#include "platform/input/double_click.h"
#include "platform/input/tab_order.h"
#include "sim_program.h"

namespace {

using namespace testing_support;
using platform::ControlDesign;
using platform::ControlKind;
using platform::Key;
using platform::TextOffer;

// Opens the About window from the strip and runs `while_open` on it; the
// window is closed with its close box afterwards if still open.
void WithAbout(SimProgram& program, std::function<void(SimWindow&)> while_open) {
  program.Start();
  program.backend.After(10ms, [&program, while_open] {
    program.backend.After(10ms, [&program, while_open] {
      while_open(*program.AboutWindow());
      if (SimWindow* about = program.AboutWindow()) {
        about->PressCloseBox();
      }
    });
    program.MainWindow().DoubleClick("VARN_BACKGROUND_LABEL");
  });
  program.backend.RunFor(1s);
}

TEST(TabOrder, FollowsTheTabIndicesSkipsWhatTakesNoFocusAndGoesRound) {
  constexpr std::array<ControlDesign, 5> kControls = {{
      {.name = "late", .kind = ControlKind::PushButton, .tab_index = 9, .takes_focus = true},
      {.name = "label", .kind = ControlKind::Label, .tab_index = 0},
      {.name = "first", .kind = ControlKind::TextBox, .tab_index = 1, .takes_focus = true},
      {.name = "timer", .kind = ControlKind::Timer},
      {.name = "tied", .kind = ControlKind::PictureBox, .tab_index = 1, .takes_focus = true},
  }};
  const std::vector<int> order = platform::TabOrder(kControls);
  EXPECT_EQ(order, (std::vector<int>{2, 4, 0}));
  EXPECT_EQ(platform::NextInTabOrder(order, 0, true), 2);
  EXPECT_EQ(platform::NextInTabOrder(order, 2, false), 0);
  EXPECT_EQ(platform::NextInTabOrder(order, -1, true), 2);
  EXPECT_EQ(platform::NextInTabOrder(order, 1, false), 0);
  EXPECT_EQ(platform::NextInTabOrder({}, -1, true), -1);
}

TEST(TabOrder, TheAboutWindowStartsOnOkAndTabbingIntoTheTextSelectsIt) {
  SimProgram program;
  std::vector<std::string> focus;
  WithAbout(program, [&](SimWindow& about) {
    focus.emplace_back(about.FocusedControl());
    for (int i = 0; i < 3; ++i) {
      about.PressKey(Key::Tab);
      focus.emplace_back(about.FocusedControl());
    }
    about.PressKey(Key::Tab, /*shift=*/true);
    focus.emplace_back(about.FocusedControl());
    EXPECT_EQ(about.SelectedText("MARQUENT_WEBSITE_LINK"), about::kWebsiteText);
  });
  EXPECT_EQ(focus,
            (std::vector<std::string>{"OK_BUTTON", "VARN_PIC_PICBOX", "MARQUENT_WEBSITE_LINK",
                                      "OK_BUTTON", "MARQUENT_WEBSITE_LINK"}));
}

// Two presses on a lamp open the About window when they come within 500 ms
// and 4 pixels of each other.
TEST(DoubleClick, TakesTwoPressesCloseInTimeAndPlace) {
  struct Case {
    std::chrono::milliseconds gap;
    int dx, dy;
    bool opens;
  };
  for (const Case& c : {Case{500ms, 4, -4, true}, Case{501ms, 0, 0, false}, Case{0ms, 5, 0, false},
                        Case{100ms, 0, 5, false}}) {
    SimProgram program;
    program.Start();
    bool opened = false;
    program.backend.After(10ms, [&] { program.MainWindow().Click("VARN_LABEL_2", 10, 10); });
    program.backend.After(10ms + c.gap, [&] {
      program.backend.After(1ms, [&] {
        opened = program.AboutWindow() != nullptr;
        if (opened) {
          program.AboutWindow()->PressCloseBox();
        }
      });
      program.MainWindow().ButtonDown("VARN_LABEL_2", 10 + c.dx, 10 + c.dy);
    });
    program.backend.RunFor(2s);
    EXPECT_EQ(opened, c.opens) << c.gap.count() << " ms, " << c.dx << "," << c.dy << " px";
  }
}

TEST(DoubleClick, APressAfterOneStartsAfreshAndTimesMayWrap) {
  platform::DoubleClickRule rule;
  EXPECT_FALSE(rule.Press(0, 0, 0));  // a first press at time 0 counts as one
  EXPECT_TRUE(rule.Press(300, 0, 0));
  EXPECT_FALSE(rule.Press(400, 0, 0));
  EXPECT_TRUE(rule.Press(450, 0, 0));
  const platform::InputTime late = std::numeric_limits<platform::InputTime>::max() - 100;
  EXPECT_FALSE(rule.Press(late, 0, 0));
  EXPECT_TRUE(rule.Press(200, 0, 0));  // 301 ms later, across the wrap
}

TEST(DoubleClick, TheDesktopsTimeAndDistanceReplaceTheDefaults) {
  platform::DoubleClickRule rule;
  const platform::DoubleClickLimits slow{.time = 1500, .distance = 10};
  EXPECT_FALSE(rule.Press(1000, 0, 0, slow));
  EXPECT_TRUE(rule.Press(2500, 10, -10, slow));
  EXPECT_FALSE(rule.Press(3000, 0, 0, slow));
  EXPECT_FALSE(rule.Press(4501, 0, 0, slow));  // 1501 ms
  EXPECT_FALSE(rule.Press(5000, 11, 0, slow));
}

TEST(PushButton, SpaceEnterOrAClickPressOkButNotEscOrAReleaseOutside) {
  for (const std::string way : {"space", "enter", "click", "escape", "outside"}) {
    SimProgram program;
    bool closed = false;
    WithAbout(program, [&](SimWindow& about) {
      if (way == "space" || way == "enter" || way == "escape") {
        about.PressKey(way == "space" ? Key::Space : way == "enter" ? Key::Return : Key::Other);
      } else {
        about.ButtonDown("OK_BUTTON", 5, 5);
        about.ButtonUp("OK_BUTTON", /*inside=*/way == "click");
      }
      closed = program.AboutWindow() == nullptr;
    });
    EXPECT_EQ(closed, way == "space" || way == "enter" || way == "click") << way;
  }
}

// The link text box, "MARQUENT: http://www.example.com/\r\n", with its
// characters 8 pixels wide.
TEST(LockedTextBox, SelectsByMouseAndKeysCopiesAndNeverChanges) {
  SimProgram program;
  WithAbout(program, [&](SimWindow& about) {
    constexpr char kBox[] = "MARQUENT_WEBSITE_LINK";
    const auto selection = [&] { return program.backend.Offered(TextOffer::Selection); };
    const auto clipboard = [&] { return program.backend.Offered(TextOffer::Clipboard); };

    about.DoubleClick(kBox, 8 * 14, 3);  // on "http..."
    EXPECT_EQ(about.FocusedControl(), kBox);
    EXPECT_EQ(about.SelectedText(kBox), "http://www.example.com/");
    EXPECT_EQ(selection(), "http://www.example.com/");
    EXPECT_EQ(clipboard(), "");

    about.Click(kBox, 8 * 2, 3);  // a click drops the selection
    EXPECT_EQ(about.SelectedText(kBox), "");
    about.PressKey(Key::Right, /*shift=*/true);
    about.PressKey(Key::Right, /*shift=*/true);
    EXPECT_EQ(about.SelectedText(kBox), "RQ");
    about.ButtonDown(kBox, 0, 3, /*shift=*/true);
    EXPECT_EQ(about.SelectedText(kBox), "MA");
    about.PressKey(Key::End);
    EXPECT_EQ(about.SelectedText(kBox), "");

    about.ButtonDown(kBox, 8 * 10, 3);  // dragging selects
    about.Drag(kBox, 8 * 14, 3);
    about.ButtonUp(kBox);
    EXPECT_EQ(selection(), "http");
    about.PressKey(Key::C, false, /*ctrl=*/true);
    EXPECT_EQ(clipboard(), "http");

    about.PressKey(Key::Home, /*shift=*/true);
    about.PressKey(Key::Other);  // typing edits nothing
    about.PressKey(Key::A, false, /*ctrl=*/true);
    about.PressKey(Key::Insert, false, /*ctrl=*/true);
    EXPECT_EQ(about.Text(kBox), about::kWebsiteText);
    EXPECT_EQ(clipboard(), about::kWebsiteText);
  });
}

}  // namespace
