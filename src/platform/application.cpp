// The loaded forms, and unloading them.
#include "platform/application.h"

#include <algorithm>

#include "platform/form.h"

namespace platform {

Application::Application(Backend& backend)
    : backend_(backend), timers_(backend), keyboard_(backend.Keys(), backend) {}

void Application::Loaded(Form& form) {
  forms_.push_back(&form);
  ended_ = false;
}

void Application::Unload(Form& form) {
  if (!form.IsLoaded() || form.unloading_) {
    return;
  }
  form.unloading_ = true;
  const bool go_ahead = form.RunUnload();
  form.unloading_ = false;
  if (!go_ahead || !form.IsLoaded()) {
    return;
  }
  std::erase(forms_, &form);
  form.DestroyWindow();
  if (forms_.empty()) {
    ended_ = true;
    backend_.QuitEventLoop();
  }
}

void Application::Run() {
  if (!forms_.empty()) {
    backend_.RunEventLoop();
  }
}

}  // namespace platform
