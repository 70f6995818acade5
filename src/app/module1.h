// Start-up: creates the main window, keeps it for the whole run, and shows it.
#pragma once

#include <memory>

#include "app/varn_on_main.h"
#include "platform/application.h"

namespace app {

class Module1 {
 public:
  explicit Module1(platform::Application& app) : app_(app) {}

  // The program's entry: create the main window and show it modeless.
  void Main();

  VarnOnMain* MainWindow() { return main_window_.get(); }

 private:
  platform::Application& app_;
  std::unique_ptr<VarnOnMain> main_window_;
};

// Starts the program on a backend and runs it until its last window closes.
int RunProgram(platform::Backend& backend);

}  // namespace app
