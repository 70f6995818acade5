// A window of the program: its design, its controls and timers, and its
// lifecycle (load, show, unload). Concrete windows derive from it and bind
// their event handlers.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <string_view>

#include "platform/backend.h"
#include "platform/controls.h"
#include "platform/design.h"
#include "platform/timer_scheduler.h"

namespace platform {

class Application;

class Form : private WindowEvents {
 public:
  Form(Application& app, const FormDesign& design);
  virtual ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  const FormDesign& Design() const { return design_; }
  Application& App() { return app_; }
  bool IsLoaded() const { return window_ != nullptr; }

  // Outer rectangle in screen twips. While the form is not loaded these read
  // where it last stood, and writes are ignored.
  Twips Left() const;
  Twips Top() const;
  Twips Width() const;
  Twips Height() const;
  void SetLeft(Twips value);
  void SetTop(Twips value);
  void SetWidth(Twips value);
  void SetHeight(Twips value);
  int WindowState() const;
  WindowHandle hWnd() const;

  // Modeless show; loads the form first if needed.
  void Show();
  // Modal show (modal flag 1) over `owner`: returns once this form has been
  // unloaded. Any other flag shows the form modeless.
  void Show(int modal, Form& owner);

  Control& ControlNamed(std::string_view name);
  Timer& TimerNamed(std::string_view name);

 protected:
  virtual void Form_Load() {}
  virtual void Form_Unload(std::int16_t& /*Cancel*/) {}

 private:
  friend class Application;
  friend class Control;
  NativeWindow* Window() { return window_.get(); }
  void Load();
  bool RunUnload();  // false when the handler cancelled
  void DestroyWindow();

  void OnControlClick(int control) override;
  void OnControlDblClick(int control) override;
  void OnCloseRequest() override;

  Application& app_;
  const FormDesign& design_;
  std::list<Control> controls_;  // visual controls, in design order
  struct DesignedTimer {
    DesignedTimer(int design_index, TimerScheduler& scheduler, bool enabled, int interval)
        : index(design_index), timer(scheduler, enabled, interval) {}
    int index;
    Timer timer;
  };
  std::list<DesignedTimer> timers_;
  std::unique_ptr<NativeWindow> window_;
  bool unloading_ = false;
  Twips left_ = 0, top_ = 0, width_ = 0, height_ = 0;  // last known while unloaded
};

}  // namespace platform
