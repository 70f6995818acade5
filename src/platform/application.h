// The application object: the collection of loaded forms in load order, the
// unload operation, and the rule that the program ends when no form is left.
#pragma once

#include <vector>

#include "platform/attended_keys.h"
#include "platform/backend.h"
#include "platform/timer_scheduler.h"

namespace platform {

class Form;

class Application {
 public:
  explicit Application(Backend& backend);
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // Forms collection: index 0 is the first form loaded.
  int FormsCount() const { return static_cast<int>(forms_.size()); }
  Form& Forms(int index) { return *forms_.at(static_cast<std::size_t>(index)); }

  // Runs the form's Form_Unload; unless it cancels, destroys its window and
  // removes it from the collection before returning. Unloading a form that
  // is not loaded does nothing.
  void Unload(Form& form);

  // Runs the event loop until the last form has been unloaded.
  void Run();
  bool Ended() const { return ended_; }

  Backend& Platform() { return backend_; }
  TimerScheduler& Timers() { return timers_; }
  SettingsStore& Settings() { return backend_.Settings(); }
  WindowStacking& User32() { return backend_.Stacking(); }
  // Num Lock, pressed only while a person is at the machine.
  KeyInjector& Keyboard() { return keyboard_; }

 private:
  friend class Form;
  void Loaded(Form& form);

  Backend& backend_;
  TimerScheduler timers_;
  AttendedKeys keyboard_;
  std::vector<Form*> forms_;
  bool ended_ = false;
};

}  // namespace platform
