#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "about/about_design.h"
#include "app/main_design.h"
#include "sim_program.h"

namespace {

using namespace testing_support;
using Strings = std::vector<std::string>;

TEST(MainWindowLoad, FirstRunUsesTheDefaultsReadOneKeyAtATime) {
  SimProgram program;
  program.Start();
  EXPECT_EQ(program.Settings().ReadLog(),
            (Strings{"MainLeft", "MainTop", "MainWidth", "MainHeight"}));
  EXPECT_EQ(program.MainWindow().GeometryLog(),
            (Strings{"Left=1000", "Top=1000", "Width=2760", "Height=855"}));
  EXPECT_TRUE(program.MainWindow().Visible());
  EXPECT_EQ(program.MainWindow().Owner(), nullptr);
}

TEST(MainWindowLoad, ArmsEveryTimerAndDarkensTheLampsBeforeAnythingRuns) {
  SimProgram program;
  program.Start();
  auto& main = program.Main();
  EXPECT_TRUE(main.AlwaysOnTopTimer.Enabled());
  EXPECT_EQ(main.AlwaysOnTopTimer.Interval(), 1000);
  EXPECT_TRUE(main.VARN_RED_TIMER(1).Enabled());
  for (int n = 1; n <= 16; ++n) {
    EXPECT_EQ(main.VARN_RED_TIMER(n).Interval(), 100);
    EXPECT_EQ(main.VARN_RED_TIMER(n).Enabled(), n == 1);
  }
  EXPECT_TRUE(main.NUMLOCK_TIMER(1).Enabled());
  EXPECT_FALSE(main.NUMLOCK_TIMER(2).Enabled());
  EXPECT_EQ(main.NUMLOCK_TIMER(1).Interval(), 750);
  EXPECT_EQ(main.NUMLOCK_TIMER(2).Interval(), 750);
  EXPECT_EQ(program.LitLamps(), "none");
  EXPECT_TRUE(program.backend.keys().presses.empty());
  EXPECT_TRUE(program.backend.stacking().foreground_queries.empty());
}

TEST(MainWindowPlacement, MovedWindowReopensAtItsNewPlace) {
  SimProgram first;
  first.Start();
  first.MainWindow().DragTo(4321.5f, 2000);
  first.Settings().ClearLogs();
  first.MainWindow().PressCloseBox();
  EXPECT_EQ(first.Settings().WriteLog(), (Strings{"MainLeft=4321.5", "MainTop=2000"}));
  EXPECT_TRUE(first.app.Ended());
  EXPECT_TRUE(first.backend.QuitRequested());
  EXPECT_EQ(first.backend.WindowNamed("VARN_ON_MAIN"), nullptr);

  SimProgram second;
  second.Settings().Store("MainLeft", *first.Settings().Stored("MainLeft"));
  second.Settings().Store("MainTop", *first.Settings().Stored("MainTop"));
  second.Start();
  EXPECT_EQ(second.MainWindow().Left(), 4321.5f);
  EXPECT_EQ(second.MainWindow().Top(), 2000);
  EXPECT_EQ(second.MainWindow().Width(), 2760);
}

TEST(MainWindowPlacement, StoredSizeIsHonouredAndNeverOverwritten) {
  SimProgram program;
  program.Settings().Store("MainWidth", "3000");
  program.Settings().Store("MainHeight", "1200");
  program.Start();
  EXPECT_EQ(program.MainWindow().Width(), 3000);
  EXPECT_EQ(program.MainWindow().Height(), 1200);
  program.MainWindow().PressCloseBox();
  EXPECT_EQ(program.Settings().Stored("MainWidth"), "3000");
  for (const std::string& write : program.Settings().WriteLog()) {
    EXPECT_EQ(write.find("MainWidth"), std::string::npos);
    EXPECT_EQ(write.find("MainHeight"), std::string::npos);
  }
}

TEST(MainWindowPlacement, MinimisedAtCloseSavesNothing) {
  SimProgram program;
  program.Settings().Store("MainLeft", "111");
  program.Start();
  program.MainWindow().DragTo(5000, 5000);
  program.MainWindow().Minimise();
  program.MainWindow().PressCloseBox();
  EXPECT_TRUE(program.Settings().WriteLog().empty());
  EXPECT_EQ(program.Settings().Stored("MainLeft"), "111");
  EXPECT_TRUE(program.app.Ended());
}

TEST(MainWindowUnload, FailingSettingsWriteStillEndsTheProgramAndSaysSo) {
  SimProgram program;
  program.Start();
  program.Settings().fail_writes = true;
  testing::internal::CaptureStderr();
  program.MainWindow().PressCloseBox();
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(program.app.Ended());
  EXPECT_NE(said.find("could not save setting MainLeft"), std::string::npos) << said;
  EXPECT_EQ(program.Settings().Stored("MainLeft"), std::nullopt);
}

// Run returns when the last window closes, and the timers die with it.
TEST(MainWindowUnload, RunReturnsWhenTheLastWindowClosesAndTheTimersDieWithIt) {
  SimProgram program;
  program.Start();
  program.backend.After(2500ms, [&] { program.MainWindow().PressCloseBox(); });
  program.app.Run();
  EXPECT_TRUE(program.app.Ended());
  EXPECT_EQ(program.app.FormsCount(), 0);
  EXPECT_EQ(program.backend.keys().presses.size(), 3u);  // at 750, 1500 and 2250 ms
  const auto queries = program.backend.stacking().foreground_queries.size();
  program.backend.RunFor(10s);
  EXPECT_EQ(program.backend.keys().presses.size(), 3u);
  EXPECT_EQ(program.backend.stacking().foreground_queries.size(), queries);
  EXPECT_EQ(program.EnabledStepTimers(), 0);
}

// The whole program, from its start, runs until its window is closed and then
// ends with status 0.
TEST(MainWindowUnload, TheProgramEndsWithStatusZeroOnceItsWindowIsClosed) {
  platform::sim::SimBackend backend;
  backend.After(2s, [&] { backend.WindowNamed("VARN_ON_MAIN")->PressCloseBox(); });
  EXPECT_EQ(app::RunProgram(backend), 0);
  EXPECT_EQ(backend.Now(), platform::TimePoint(2s));
  EXPECT_TRUE(backend.Windows().empty());
  EXPECT_EQ(backend.settings().Stored("MainLeft"), "1000");
}

}  // namespace

namespace {

std::string Describe(const platform::FontDesign& font) {
  std::ostringstream text;
  text << font.face << " " << font.points << " pt, weight " << font.weight << ", charset "
       << font.charset << (font.italic ? ", italic" : "") << (font.underline ? ", underlined" : "")
       << (font.strikeout ? ", struck out" : "");
  return text.str();
}

// What the two designs say that only a window system shows: tool-window
// frames with a close box and no taskbar button, and the fonts: the five
// About labels at 13.5 pt, the link bold, the rest the
// window's own font; none italic, underlined or struck out.
TEST(Designs, FramesAndFontsAreAsDesigned) {
  for (const platform::FormDesign* form : {&app::MainWindowDesign(), &about::AboutWindowDesign()}) {
    EXPECT_TRUE(form->close_box) << form->name;
    EXPECT_FALSE(form->show_in_taskbar) << form->name;
    EXPECT_EQ(Describe(form->font), "MS Sans Serif 8.25 pt, weight 400, charset 0") << form->name;
    int labels = 0;
    for (const platform::ControlDesign& control : form->controls) {
      const std::string font = control.font ? Describe(*control.font) : "the window's";
      if (form->name == "VARN_ON_ABOUT" && control.kind == platform::ControlKind::Label) {
        ++labels;
        EXPECT_EQ(font, "MS Sans Serif 13.5 pt, weight 400, charset 0") << control.name;
      } else if (control.name == "MARQUENT_WEBSITE_LINK") {
        EXPECT_EQ(font, "MS Sans Serif 8.25 pt, weight 700, charset 0");
      } else {
        EXPECT_EQ(font, "the window's") << control.name;
      }
    }
    EXPECT_EQ(labels, form->name == "VARN_ON_ABOUT" ? 5 : 0);
  }
}

// Where a control stands, in twips, and what sets it apart on screen.
std::string Layout(const platform::ControlDesign& control) {
  std::ostringstream text;
  text << control.left << "," << control.top << " " << control.width << "x" << control.height
       << (control.locked ? ", read-only" : "") << (control.multi_line ? ", multi-line" : "")
       << (control.auto_size ? ", sized to its picture" : "");
  return text.str();
}

std::map<std::string, std::string> Layouts(const platform::FormDesign& form) {
  std::map<std::string, std::string> layouts;
  for (const platform::ControlDesign& control : form.controls) {
    if (control.kind != platform::ControlKind::Timer) {
      layouts[std::string(control.name)] = Layout(control);
    }
  }
  return layouts;
}

// The seven lamps, 255 twips square, stand 360 apart from 120 in along the
// black strip at the window's corner.
TEST(Designs, SevenLampsStandEvenlyAlongTheStrip) {
  std::map<std::string, std::string> expected = {{"VARN_BACKGROUND_LABEL", "0,0 2655x495"}};
  for (int n = 1; n <= 7; ++n) {
    expected["VARN_LABEL_" + std::to_string(n)] =
        std::to_string(120 + 360 * (n - 1)) + ",120 255x255";
  }
  EXPECT_EQ(Layouts(app::MainWindowDesign()), expected);
}

// The About window: four lines of text down the left, the dedication over the
// picture on the right, OK below the text, the link below the picture.
TEST(Designs, TheAboutWindowsTextPictureButtonAndLinkStandWhereDrawn) {
  EXPECT_EQ(Layouts(about::AboutWindowDesign()),
            (std::map<std::string, std::string>{
                {"BRELLOCK_VARN_ON_TITLE", "120,120 4335x495"},
                {"BRELLOCK_VARN_ON_VERSION", "120,720 4335x495"},
                {"BRELLOCK_VARN_ON_CREATOR", "120,1320 4335x495"},
                {"BRELLOCK_VARN_ON_FREEWARE", "120,1920 4335x495"},
                {"OK_BUTTON", "1440,2880 1935x615"},
                {"VARN_DEDICATION_LABEL", "4920,120 4215x495"},
                {"VARN_PIC_PICBOX", "4680,720 4770x2490, sized to its picture"},
                {"MARQUENT_WEBSITE_LINK", "4920,3360 4215x375, read-only, multi-line"},
            }));
}

}  // namespace
