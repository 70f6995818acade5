#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "about/varn_on_about.h"
#include "sim_program.h"

namespace {

using namespace testing_support;
using Strings = std::vector<std::string>;

// Opens the About window with a double-click at `at`, and lets `while_open`
// act on it (and close it) `after` later.
void OpenAbout(SimProgram& program, std::chrono::milliseconds at, const std::string& control,
               std::chrono::milliseconds after, std::function<void(SimWindow&)> while_open) {
  program.backend.After(at, [&program, control, after, while_open] {
    program.backend.After(after, [&program, while_open] { while_open(*program.AboutWindow()); });
    program.MainWindow().DoubleClick(control);
  });
}

TEST(AboutWindow, FirstOpeningUsesTheDefaultPlacementAndIsModalOverTheMainWindow) {
  SimProgram program;
  program.Start();
  OpenAbout(program, 10ms, "VARN_LABEL_1", 10ms, [&](SimWindow& about) {
    EXPECT_EQ(about.GeometryLog(), (Strings{"Left=1000", "Top=1000", "Width=9735", "Height=4290"}));
    EXPECT_EQ(about.Owner(), &program.MainWindow());
    EXPECT_EQ(program.app.FormsCount(), 2);
    EXPECT_EQ(&program.app.Forms(1), program.Main().AboutWindow());
    about.Click("OK_BUTTON");
  });
  program.backend.RunFor(1s);
  EXPECT_EQ(program.AboutWindow(), nullptr);
  EXPECT_EQ(program.app.FormsCount(), 1);
}

TEST(AboutWindow, EveryLampAndTheStripOpenTheOneSharedWindow) {
  SimProgram program;
  program.Start();
  std::set<const about::VarnOnAbout*> instances;
  int opened = 0;
  const Strings controls = {"VARN_LABEL_1", "VARN_LABEL_2",         "VARN_LABEL_3",
                            "VARN_LABEL_4", "VARN_LABEL_5",         "VARN_LABEL_6",
                            "VARN_LABEL_7", "VARN_BACKGROUND_LABEL"};
  for (std::size_t i = 0; i < controls.size(); ++i) {
    OpenAbout(program, std::chrono::milliseconds(50 * i + 10), controls[i], 20ms,
              [&](SimWindow& about) {
                ++opened;
                instances.insert(program.Main().AboutWindow());
                about.Click("OK_BUTTON");
              });
  }
  program.backend.RunFor(1s);
  EXPECT_EQ(opened, 8);
  EXPECT_EQ(instances.size(), 1u);
}

TEST(AboutWindow, EverythingGoesOnWhileItIsOpen) {
  SimProgram program;
  program.Start();
  program.backend.stacking().foreground = 0xF00;
  Strings lamps_seen;
  OpenAbout(program, 50ms, "VARN_LABEL_2", 3000ms,
            [&](SimWindow& about) { about.Click("OK_BUTTON"); });
  for (int i = 0; i < 16; ++i) {
    program.backend.After(std::chrono::milliseconds(1000 + 100 * i),
                          [&] { lamps_seen.push_back(program.LitLamps()); });
  }
  bool checked_while_open = false;
  program.backend.After(3020ms, [&] {
    ASSERT_NE(program.AboutWindow(), nullptr);
    EXPECT_EQ(program.backend.keys().presses.size(), 4u);
    EXPECT_EQ(program.backend.stacking().calls.size(), 6u);
    checked_while_open = true;
  });
  program.backend.RunFor(3100ms);
  EXPECT_TRUE(checked_while_open);
  // Sampled from the tenth tick on, the chase's sixteen steps in order.
  EXPECT_EQ(lamps_seen, (Strings{"6", "5", "4", "3", "2", "1", "none", "1", "2", "3", "4", "5", "6",
                                 "7", "none", "7"}));
  EXPECT_EQ(program.AboutWindow(), nullptr);
}

TEST(AboutWindow, OkSavesThePositionTwiceAndTheNextOpeningUsesIt) {
  SimProgram program;
  program.Start();
  OpenAbout(program, 10ms, "VARN_LABEL_5", 10ms, [&](SimWindow& about) {
    about.DragTo(2500, 3500);
    program.Settings().ClearLogs();
    about.Click("OK_BUTTON");
    EXPECT_EQ(program.Settings().WriteLog(),
              (Strings{"AboutLeft=2500", "AboutTop=3500", "AboutLeft=2500", "AboutTop=3500"}));
  });
  OpenAbout(program, 100ms, "VARN_LABEL_5", 10ms, [&](SimWindow& about) {
    EXPECT_EQ(about.Left(), 2500);
    EXPECT_EQ(about.Top(), 3500);
    EXPECT_EQ(about.Width(), 9735);
    about.PressCloseBox();
  });
  program.backend.RunFor(1s);
  EXPECT_EQ(program.AboutWindow(), nullptr);
  EXPECT_EQ(program.Settings().Stored("AboutWidth"), std::nullopt);
  EXPECT_EQ(program.Settings().Stored("AboutHeight"), std::nullopt);
}

TEST(AboutWindow, CloseBoxSavesThePositionEvenWhenMinimised) {
  SimProgram program;
  program.Start();
  OpenAbout(program, 10ms, "VARN_BACKGROUND_LABEL", 10ms, [&](SimWindow& about) {
    about.DragTo(700, 800);
    about.Minimise();
    about.PressCloseBox();
  });
  program.backend.RunFor(1s);
  EXPECT_EQ(program.Settings().Stored("AboutLeft"), "700");
  EXPECT_EQ(program.Settings().Stored("AboutTop"), "800");
}

TEST(AboutWindow, CreatorLineShowsTheAddressUntilTheWindowCloses) {
  SimProgram program;
  program.Start();
  OpenAbout(program, 10ms, "VARN_LABEL_1", 10ms, [&](SimWindow& about) {
    EXPECT_EQ(about.Text("BRELLOCK_VARN_ON_CREATOR"), "Created By Tavisk");
    about.DoubleClick("BRELLOCK_VARN_ON_CREATOR");
    EXPECT_EQ(about.Text("BRELLOCK_VARN_ON_CREATOR"), "tavisk@example.com");
    EXPECT_EQ(about.Text("BRELLOCK_VARN_ON_TITLE"), "BRELLOCK - VARN-ON");
    about.Click("OK_BUTTON");
  });
  OpenAbout(program, 100ms, "VARN_LABEL_1", 10ms, [&](SimWindow& about) {
    EXPECT_EQ(about.Text("BRELLOCK_VARN_ON_CREATOR"), "Created By Tavisk");
    EXPECT_EQ(program.Main().AboutWindow()->BRELLOCK_VARN_ON_CREATOR.Caption(),
              "Created By Tavisk");
    about.Click("OK_BUTTON");
  });
  program.backend.RunFor(1s);
}

TEST(AboutWindow, ClosingTheMainWindowUnloadsItFirstAndEndsCleanly) {
  SimProgram program;
  program.Start();
  bool handler_returned = false;
  program.backend.After(10ms, [&] {
    program.backend.After(10ms, [&] {
      program.AboutWindow()->DragTo(3000, 3100);
      program.MainWindow().DragTo(200, 300);
      program.Settings().ClearLogs();
      program.MainWindow().PressCloseBox();  // from outside the program
    });
    program.MainWindow().DoubleClick("VARN_LABEL_3");
    handler_returned = true;
  });
  program.backend.RunFor(1s);
  EXPECT_TRUE(handler_returned);
  EXPECT_TRUE(program.app.Ended());
  EXPECT_EQ(program.Settings().WriteLog(),
            (Strings{"AboutLeft=3000", "AboutTop=3100", "MainLeft=200", "MainTop=300"}));
  EXPECT_TRUE(program.backend.Windows().empty());
}

}  // namespace
