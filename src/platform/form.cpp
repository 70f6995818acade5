// A form's load, show and unload, and its window's events.
#include "platform/form.h"

#include <cstdio>
#include <cstdlib>

#include "platform/application.h"

namespace platform {

namespace {

// Controls and timers are looked up by the names the program's own code
// gives; a name the design lacks is a mistake in the program itself.
[[noreturn]] void NoneNamed(const char* what, std::string_view name) {
  std::fprintf(stderr, "no %s named %.*s\n", what, static_cast<int>(name.size()), name.data());
  std::abort();
}

}  // namespace

Form::Form(Application& app, const FormDesign& design) : app_(app), design_(design) {
  int index = 0;
  for (const ControlDesign& control : design_.controls) {
    if (control.kind == ControlKind::Timer) {
      timers_.emplace_back(index, app_.Timers(), control.enabled, control.interval);
    } else {
      controls_.emplace_back(*this, index, control);
    }
    ++index;
  }
}

Form::~Form() = default;

Control& Form::ControlNamed(std::string_view name) {
  for (Control& control : controls_) {
    if (control.Design().name == name) {
      return control;
    }
  }
  NoneNamed("control", name);
}

Timer& Form::TimerNamed(std::string_view name) {
  for (DesignedTimer& designed : timers_) {
    if (design_.controls[static_cast<std::size_t>(designed.index)].name == name) {
      return designed.timer;
    }
  }
  NoneNamed("timer", name);
}

Twips Form::Left() const {
  return window_ ? window_->Left() : left_;
}
Twips Form::Top() const {
  return window_ ? window_->Top() : top_;
}
Twips Form::Width() const {
  return window_ ? window_->Width() : width_;
}
Twips Form::Height() const {
  return window_ ? window_->Height() : height_;
}

void Form::SetLeft(Twips value) {
  if (window_) {
    window_->SetLeft(value);
  }
}
void Form::SetTop(Twips value) {
  if (window_) {
    window_->SetTop(value);
  }
}
void Form::SetWidth(Twips value) {
  if (window_) {
    window_->SetWidth(value);
  }
}
void Form::SetHeight(Twips value) {
  if (window_) {
    window_->SetHeight(value);
  }
}

int Form::WindowState() const {
  return window_ ? window_->WindowState() : kStateNormal;
}
WindowHandle Form::hWnd() const {
  return window_ ? window_->Handle() : 0;
}

void Form::Load() {
  if (window_) {
    return;
  }
  window_ = app_.Platform().CreateNativeWindow(design_, *this);
  // Each load starts from the design, as a freshly created window would.
  for (Control& control : controls_) {
    control.ResetToDesign();
  }
  for (DesignedTimer& designed : timers_) {
    const ControlDesign& control = design_.controls[static_cast<std::size_t>(designed.index)];
    designed.timer.SetEnabled(control.enabled);
    designed.timer.SetInterval(control.interval);
  }
  app_.Loaded(*this);
  Form_Load();
}

void Form::Show() {
  Load();
  if (window_) {
    window_->Show(nullptr);
  }
}

void Form::Show(int modal, Form& owner) {
  Load();
  if (!window_) {
    return;  // unloaded by its own load handler
  }
  if (modal != 1 || !owner.window_) {
    window_->Show(nullptr);
    return;
  }
  window_->Show(owner.window_.get());
  app_.Platform().RunModalLoop([this] { return !IsLoaded(); });
}

bool Form::RunUnload() {
  std::int16_t cancel = 0;
  Form_Unload(cancel);
  return cancel == 0;
}

void Form::DestroyWindow() {
  if (window_) {
    left_ = window_->Left();
    top_ = window_->Top();
    width_ = window_->Width();
    height_ = window_->Height();
  }
  // The timers die with the window; a later load arms them from the design.
  for (DesignedTimer& designed : timers_) {
    designed.timer.SetEnabled(false);
  }
  window_.reset();
}

void Form::OnControlClick(int control) {
  for (Control& item : controls_) {
    if (item.Index() == control && item.Click) {
      std::function<void()> handler = item.Click;
      handler();
      return;
    }
  }
}

void Form::OnControlDblClick(int control) {
  for (Control& item : controls_) {
    if (item.Index() == control && item.DblClick) {
      std::function<void()> handler = item.DblClick;
      handler();
      return;
    }
  }
}

void Form::OnCloseRequest() {
  app_.Unload(*this);
}

}  // namespace platform
