// Eight hours of the whole program on the virtual clock, with the About
// window opened and closed a thousand times: the chase never leaves its
// cycle, the hand-overs always leave exactly one timer of each kind running,
// and the program's memory does not grow.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/module1.h"
#include "live_bytes.h"
#include "platform/application.h"
#include "platform/sim/sim_backend.h"

namespace {

using namespace std::chrono_literals;

TEST(Soak, EightHoursWithAThousandAboutWindows) {
  platform::sim::SimBackend backend;
  platform::Application app(backend);
  app::Module1 module(app);
  module.Main();
  app::VarnOnMain& main = *module.MainWindow();
  auto& window = *backend.WindowNamed("VARN_ON_MAIN");

  const std::vector<int> cycle = {1, 2, 3, 4, 5, 6, 7, 0, 7, 6, 5, 4, 3, 2, 1, 0};
  constexpr long long kTicks = 8LL * 3600 * 10;  // one every 100 ms
  constexpr long long kTicksBetweenAbouts = kTicks / 1000;
  int abouts_opened = 0;
  long long bytes_after_first_hour = -1;

  long long next_about = kTicksBetweenAbouts / 2;
  long long next_hour = 36000;
  // A modal About window holds RunFor until it closes, so steps are counted
  // from the clock, not from the loop.
  for (long long tick = 0; tick < kTicks;) {
    if (tick >= next_about) {
      next_about += kTicksBetweenAbouts;
      // Open it 50 ms into this step and close it with OK 1.5 s later.
      backend.After(50ms, [&] {
        backend.After(1500ms, [&] {
          backend.WindowNamed("VARN_ON_ABOUT")->DragTo(1000.0f + abouts_opened, 2000);
          backend.WindowNamed("VARN_ON_ABOUT")->Click("OK_BUTTON");
        });
        ++abouts_opened;
        window.DoubleClick("VARN_LABEL_" + std::to_string(abouts_opened % 7 + 1));
      });
    }
    backend.RunFor(100ms);
    tick = backend.Now() / 100ms;

    int lit = 0, red_lamps = 0;
    for (int n = 1; n <= 7; ++n) {
      if (window.BackColour("VARN_LABEL_" + std::to_string(n)) == platform::kRed) {
        lit = n;
        ++red_lamps;
      }
    }
    ASSERT_LE(red_lamps, 1) << "tick " << tick;
    ASSERT_EQ(lit, cycle[(tick - 1) % 16]) << "tick " << tick;
    int step_timers = 0;
    for (int n = 1; n <= 16; ++n) {
      step_timers += main.VARN_RED_TIMER(n).Enabled() ? 1 : 0;
    }
    ASSERT_EQ(step_timers, 1) << "tick " << tick;
    ASSERT_NE(main.NUMLOCK_TIMER(1).Enabled(), main.NUMLOCK_TIMER(2).Enabled()) << "tick " << tick;

    if (tick >= next_hour) {
      next_hour += 36000;
      backend.ForgetRecords();
      if (bytes_after_first_hour < 0) {
        bytes_after_first_hour = LiveBytes();
      } else {
        ASSERT_LE(LiveBytes(), bytes_after_first_hour) << "hour " << next_hour / 36000 - 1;
      }
    }
  }
  EXPECT_EQ(backend.Now(), std::chrono::hours(8));
  EXPECT_EQ(abouts_opened, 1000);
  EXPECT_EQ(backend.WindowNamed("VARN_ON_ABOUT"), nullptr);
  EXPECT_TRUE(backend.Windows().size() == 1);
}

}  // namespace
