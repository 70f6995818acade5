// The input rules the backends share: the tab order (Windows and GTK set
// their focus chains from it), the double-click rule (the X11 program's
// lamps) and push buttons pressed by the mouse.
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

// Labels take no focus: OK, the picture, the link, and round again.
TEST(TabOrder, TheAboutWindowGoesFromOkToThePictureAndTheLink) {
  const auto controls = about::AboutWindowDesign().controls;
  std::vector<std::string_view> names;
  for (const int row : platform::TabOrder(controls)) {
    names.push_back(controls[static_cast<std::size_t>(row)].name);
  }
  EXPECT_EQ(names, (std::vector<std::string_view>{"OK_BUTTON", "VARN_PIC_PICBOX",
                                                  "MARQUENT_WEBSITE_LINK"}));
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

// A release outside ends the press without pressing OK: a later release
// over it, with no press of its own, presses nothing either.
TEST(PushButton, AClickPressesOkButAReleaseOutsideDoesNot) {
  for (const bool inside : {true, false}) {
    SimProgram program;
    bool closed = false;
    WithAbout(program, [&](SimWindow& about) {
      about.ButtonDown("OK_BUTTON", 5, 5);
      about.ButtonUp("OK_BUTTON", inside);
      if (!inside) {
        about.ButtonUp("OK_BUTTON", true);
      }
      closed = program.AboutWindow() == nullptr;
    });
    EXPECT_EQ(closed, inside) << (inside ? "inside" : "outside");
  }
}

}  // namespace
