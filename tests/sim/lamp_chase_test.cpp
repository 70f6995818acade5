#include <gtest/gtest.h>

#include <vector>

#include "app/main_design.h"
#include "sim_program.h"

namespace {

using namespace testing_support;

TEST(LampChase, AllLampsDarkAtLoadAndLampOneLitOneIntervalLater) {
  SimProgram program;
  program.Start();
  EXPECT_EQ(program.LitLamps(), "none");
  program.backend.RunFor(99ms);
  EXPECT_EQ(program.LitLamps(), "none");
  program.backend.RunFor(1ms);
  EXPECT_EQ(program.LitLamps(), "1");
}

TEST(LampChase, LightRunsOutAndBackWithPeriodSixteen) {
  SimProgram program;
  program.Start();
  const std::vector<std::string> cycle = {"1", "2", "3", "4", "5", "6", "7", "none",
                                          "7", "6", "5", "4", "3", "2", "1", "none"};
  for (int tick = 0; tick < 3 * 16; ++tick) {
    program.backend.RunFor(100ms);
    ASSERT_EQ(program.LitLamps(), cycle[tick % 16]) << "after tick " << tick + 1;
  }
}

TEST(LampChase, ExactlyOneStepTimerEnabledAndItIsTheNextStep) {
  SimProgram program;
  program.Start();
  ASSERT_EQ(program.EnabledStepTimers(), 1);
  ASSERT_TRUE(program.Main().VARN_RED_TIMER(1).Enabled());
  for (int tick = 1; tick <= 40; ++tick) {
    program.backend.RunFor(100ms);
    ASSERT_EQ(program.EnabledStepTimers(), 1) << "after tick " << tick;
    const int next_step = tick % 16 + 1;  // step 16 hands over to step 1
    ASSERT_TRUE(program.Main().VARN_RED_TIMER(next_step).Enabled()) << "after tick " << tick;
  }
}

TEST(LampChase, HandOverKeepsEveryStepOneIntervalApart) {
  SimProgram program;
  program.Start();
  // Move the window and open nothing: the chase neither pauses nor resets.
  program.backend.RunFor(250ms);
  program.MainWindow().DragTo(5000, 5000);
  program.backend.RunFor(50ms);
  EXPECT_EQ(program.LitLamps(), "3");
  program.backend.RunFor(99ms);
  EXPECT_EQ(program.LitLamps(), "3");
  program.backend.RunFor(1ms);
  EXPECT_EQ(program.LitLamps(), "4");
}

TEST(MainWindowDesign, WithoutItsLoadCodeSevenRedLampsStandStill) {
  platform::sim::SimBackend backend;
  platform::Application app(backend);
  platform::Form bare(app, app::MainWindowDesign());
  bare.Show();
  auto& window = *backend.WindowNamed("VARN_ON_MAIN");
  backend.RunFor(5s);
  for (int n = 1; n <= 7; ++n) {
    EXPECT_EQ(window.BackColour("VARN_LABEL_" + std::to_string(n)), platform::kRed);
  }
  EXPECT_EQ(window.BackColour("VARN_BACKGROUND_LABEL"), platform::kBlack);
  EXPECT_TRUE(backend.keys().presses.empty());
  EXPECT_TRUE(backend.stacking().foreground_queries.empty());
}

}  // namespace
