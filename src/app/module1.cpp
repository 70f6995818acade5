#include "app/module1.h"

namespace app {

void Module1::Main() {
  main_window_ = std::make_unique<VarnOnMain>(app_);
  main_window_->Show();
}

int RunProgram(platform::Backend& backend) {
  platform::Application app(backend);
  Module1 module(app);
  module.Main();
  app.Run();
  return 0;
}

}  // namespace app
