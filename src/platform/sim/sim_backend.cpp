// The in-memory windows, the scripted user and the virtual clock.
#include "platform/sim/sim_backend.h"

#include <algorithm>
#include <string>

namespace platform::sim {

namespace {

std::string Assignment(std::string_view property, Twips value) {
  std::string text = std::to_string(value);
  text.erase(text.find_last_not_of('0') + 1);
  if (text.back() == '.') {
    text.pop_back();
  }
  return std::string(property) + "=" + text;
}

}  // namespace

// ---- SimWindow ---------------------------------------------------------------

SimWindow::SimWindow(SimBackend& backend, const FormDesign& design, WindowEvents& events,
                     WindowHandle handle)
    : backend_(backend), design_(design), events_(events), handle_(handle), input_(design, events) {
  // A new window takes the system's default place and its design size.
  left_ = 1440;
  top_ = 1440;
  width_ = design.client_width + 120;
  height_ = design.client_height + 360;
  for (const ControlDesign& control : design.controls) {
    back_colours_.push_back(control.back_colour.value_or(0));
    texts_.emplace_back(control.caption);
  }
  backend_.windows_.push_back(this);
}

SimWindow::~SimWindow() {
  std::erase(backend_.windows_, this);
  if (owner_ != nullptr) {
    owner_->input_enabled_ = true;
  }
  for (SimWindow* other : backend_.windows_) {
    if (other->owner_ == this) {
      other->owner_ = nullptr;
    }
  }
}

void SimWindow::SetLeft(Twips value) {
  left_ = value;
  geometry_log_.push_back(Assignment("Left", value));
}
void SimWindow::SetTop(Twips value) {
  top_ = value;
  geometry_log_.push_back(Assignment("Top", value));
}
void SimWindow::SetWidth(Twips value) {
  width_ = value;
  geometry_log_.push_back(Assignment("Width", value));
}
void SimWindow::SetHeight(Twips value) {
  height_ = value;
  geometry_log_.push_back(Assignment("Height", value));
}

void SimWindow::SetControlBackColour(int control, Colour colour) {
  back_colours_.at(static_cast<std::size_t>(control)) = colour;
}

void SimWindow::SetControlText(int control, std::string_view text) {
  texts_.at(static_cast<std::size_t>(control)) = text;
}

void SimWindow::Show(NativeWindow* owner) {
  visible_ = true;
  owner_ = static_cast<SimWindow*>(owner);
  if (owner_ != nullptr) {
    owner_->input_enabled_ = false;
  }
}

int SimWindow::IndexOf(std::string_view control) const {
  for (std::size_t i = 0; i < design_.controls.size(); ++i) {
    if (design_.controls[i].name == control) {
      return static_cast<int>(i);
    }
  }
  throw std::out_of_range("no control named " + std::string(control));
}

Colour SimWindow::BackColour(std::string_view control) const {
  return back_colours_.at(static_cast<std::size_t>(IndexOf(control)));
}

const std::string& SimWindow::Text(std::string_view control) const {
  return texts_.at(static_cast<std::size_t>(IndexOf(control)));
}

InputTime SimWindow::Time() const {
  return static_cast<InputTime>(
      std::chrono::duration_cast<std::chrono::milliseconds>(backend_.Now()).count());
}

void SimWindow::ButtonDown(std::string_view control, int x, int y) {
  backend_.keys_.PersonInput();  // input to the system, taken or not
  if (TakesInput()) {
    input_.ButtonDown(IndexOf(control), x, y, Time());
  }
}

void SimWindow::ButtonUp(std::string_view control, bool inside) {
  if (TakesInput()) {
    input_.ButtonUp(IndexOf(control), inside);
  }
}

// Each step may close the window, ending this object: so the window's
// presence is asked of the backend, kept aside, before the next step.
void SimWindow::Click(std::string_view control, int x, int y) {
  SimBackend& backend = backend_;
  const WindowHandle handle = handle_;
  ButtonDown(control, x, y);
  if (backend.Has(handle)) {
    ButtonUp(control);
  }
}

void SimWindow::DoubleClick(std::string_view control, int x, int y) {
  SimBackend& backend = backend_;
  const WindowHandle handle = handle_;
  Click(control, x, y);
  if (backend.Has(handle)) {
    ButtonDown(control, x, y);
  }
  if (backend.Has(handle)) {
    ButtonUp(control);
  }
}

// The close request reaches a window even while a modal window blocks its
// input, as a close from outside the program does.
void SimWindow::PressCloseBox() {
  events_.OnCloseRequest();
}

void SimWindow::DragTo(Twips left, Twips top) {
  left_ = left;
  top_ = top;
}

// ---- SimBackend --------------------------------------------------------------

SimBackend::SimBackend() = default;
SimBackend::~SimBackend() = default;

std::unique_ptr<NativeWindow> SimBackend::CreateNativeWindow(const FormDesign& design,
                                                             WindowEvents& events) {
  return std::make_unique<SimWindow>(*this, design, events, next_handle_++);
}

bool SimBackend::Has(WindowHandle handle) const {
  return std::ranges::any_of(
      windows_, [handle](const SimWindow* window) { return window->Handle() == handle; });
}

SimWindow* SimBackend::WindowNamed(std::string_view form_name) const {
  for (SimWindow* window : windows_) {
    if (window->Design().name == form_name) {
      return window;
    }
  }
  return nullptr;
}

void SimBackend::At(TimePoint when, std::function<void()> action) {
  actions_.push_back({std::max(when, now_), next_action_order_++, std::move(action)});
}

bool SimBackend::DeliverNext(std::optional<TimePoint> limit) {
  auto action =
      std::min_element(actions_.begin(), actions_.end(), [](const auto& a, const auto& b) {
        return a.when < b.when || (a.when == b.when && a.order < b.order);
      });
  const bool have_action = action != actions_.end();
  // Timers due at the same moment as an action come first.
  const bool timer_first = wake_ && (!have_action || *wake_ <= action->when);
  const std::optional<TimePoint> next =
      timer_first ? wake_ : (have_action ? std::optional(action->when) : std::nullopt);
  if (!next || (limit && *next > *limit)) {
    return false;
  }
  now_ = std::max(now_, *next);
  if (timer_first) {
    wake_.reset();
    if (OnWake) {
      OnWake();
    }
  } else {
    std::function<void()> run = std::move(action->action);
    actions_.erase(action);
    run();
  }
  return true;
}

void SimBackend::ForgetRecords() {
  settings_.ClearLogs();
  stacking_.foreground_queries = {};
  stacking_.calls = {};
  keys_.presses = {};
  keys_.idle_clock_reads = {};
}

void SimBackend::RunFor(Duration duration) {
  const TimePoint until = now_ + duration;
  while (DeliverNext(until)) {
  }
  now_ = std::max(now_, until);
}

void SimBackend::RunEventLoop() {
  // Without a scripted action left, only timers would ever happen again.
  while (!quit_requested_ && !actions_.empty() && DeliverNext(std::nullopt)) {
  }
}

void SimBackend::RunModalLoop(const std::function<bool()>& finished) {
  while (!finished()) {
    if (actions_.empty()) {
      throw std::logic_error("a modal window is open and nothing is scripted to close it");
    }
    DeliverNext(std::nullopt);
  }
}

}  // namespace platform::sim
