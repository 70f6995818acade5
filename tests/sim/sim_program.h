// A whole program on the in-memory backend, for tests that drive it as a
// user and a clock would.
#pragma once

#include <chrono>
#include <string>

#include "app/module1.h"
#include "platform/application.h"
#include "platform/sim/sim_backend.h"

namespace testing_support {

using namespace std::chrono_literals;
using platform::sim::SimWindow;

struct SimProgram {
  platform::sim::SimBackend backend;
  platform::Application app{backend};
  app::Module1 module{app};

  void Start() { module.Main(); }
  app::VarnOnMain& Main() { return *module.MainWindow(); }
  SimWindow& MainWindow() { return *backend.WindowNamed("VARN_ON_MAIN"); }
  SimWindow* AboutWindow() { return backend.WindowNamed("VARN_ON_ABOUT"); }
  platform::sim::SimSettings& Settings() { return backend.settings(); }
  // The lamps as the window shows them: "1".."7" for the one red lamp,
  // "none" when all are dark, the red ones joined when more than one is.
  std::string LitLamps() {
    std::string lit;
    for (int n = 1; n <= 7; ++n) {
      if (MainWindow().BackColour("VARN_LABEL_" + std::to_string(n)) == platform::kRed) {
        lit += lit.empty() ? std::to_string(n) : "+" + std::to_string(n);
      }
    }
    return lit.empty() ? "none" : lit;
  }

  int EnabledStepTimers() {
    int enabled = 0;
    for (int n = 1; n <= 16; ++n) {
      enabled += Main().VARN_RED_TIMER(n).Enabled() ? 1 : 0;
    }
    return enabled;
  }
};

}  // namespace testing_support
