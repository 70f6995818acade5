#include "app/varn_on_main.h"

#include <string>

#include "about/varn_on_about.h"
#include "app/main_design.h"
#include "app/placement.h"
#include "stacking/topmost_keeper.h"

namespace app {

namespace {

std::string Numbered(std::string_view row, int number) {
  return std::string(row) + "_" + std::to_string(number);
}

}  // namespace

VarnOnMain::VarnOnMain(platform::Application& app)
    : platform::Form(app, MainWindowDesign()),
      VARN_BACKGROUND_LABEL(ControlNamed("VARN_BACKGROUND_LABEL")),
      AlwaysOnTopTimer(TimerNamed("AlwaysOnTopTimer")) {
  for (int n = 1; n <= lamps::LampRow::kCount; ++n) {
    VARN_LABEL.Bind(n, ControlNamed(Numbered("VARN_LABEL", n)));
    VARN_LABEL(n).DblClick = [this, n] { VARN_LABEL_DblClick(n); };
  }
  for (int n = 1; n <= lamps::StepTimers::kCount; ++n) {
    VARN_RED_TIMER.Bind(n, TimerNamed(Numbered("VARN_RED_TIMER", n)));
    VARN_RED_TIMER(n).OnTimer = [this, n] { VARN_RED_TIMER_Timer(n); };
  }
  for (int n = 1; n <= keyboard::NumLockTimers::kCount; ++n) {
    NUMLOCK_TIMER.Bind(n, TimerNamed(Numbered("NUMLOCK_TIMER", n)));
    NUMLOCK_TIMER(n).OnTimer = [this, n] { NUMLOCK_TIMER_Timer(n); };
  }
  AlwaysOnTopTimer.OnTimer = [this] { AlwaysOnTopTimer_Timer(); };
  VARN_BACKGROUND_LABEL.DblClick = [this] { VARN_BACKGROUND_LABEL_DblClick(); };
}

VarnOnMain::~VarnOnMain() = default;

void VarnOnMain::Form_Load() {
  RestorePlacement(*this, App().Settings(), kMainPlacement);

  AlwaysOnTopTimer.SetEnabled(true);
  AlwaysOnTopTimer.SetInterval(1000);

  VARN_RED_TIMER(1).SetEnabled(true);
  VARN_RED_TIMER(1).SetInterval(100);
  for (int n = 2; n <= 16; ++n) {
    VARN_RED_TIMER(n).SetEnabled(false);
    VARN_RED_TIMER(n).SetInterval(100);
  }

  NUMLOCK_TIMER(1).SetEnabled(true);
  NUMLOCK_TIMER(1).SetInterval(750);
  NUMLOCK_TIMER(2).SetEnabled(false);
  NUMLOCK_TIMER(2).SetInterval(750);

  for (int n = 1; n <= 7; ++n) {
    VARN_LABEL(n).SetBackColor(lamps::kDark);
  }
}

void VarnOnMain::Form_Unload(std::int16_t& /*Cancel*/) {
  // Every other loaded window goes first; index 0 is this window, which is
  // already on its way out.
  const std::int16_t last = static_cast<std::int16_t>(App().FormsCount() - 1);
  for (std::int16_t index = last; index >= 1; --index) {
    if (index < App().FormsCount()) {
      App().Unload(App().Forms(index));
    }
  }
  if (WindowState() != platform::kStateMinimised) {
    SavePosition(*this, App().Settings(), kMainPlacement);
  }
}

void VarnOnMain::AlwaysOnTopTimer_Timer() {
  stacking::AlwaysOnTopTimer_Timer(hWnd(), App().User32());
}

void VarnOnMain::VARN_RED_TIMER_Timer(int Index) {
  lamps::VARN_RED_TIMER_Timer(Index, VARN_LABEL, VARN_RED_TIMER);
}

void VarnOnMain::NUMLOCK_TIMER_Timer(int Index) {
  keyboard::NUMLOCK_TIMER_Timer(Index, NUMLOCK_TIMER, App().Keyboard());
}

void VarnOnMain::VARN_BACKGROUND_LABEL_DblClick() {
  about::ShowAboutWindow(about_, *this);
}

void VarnOnMain::VARN_LABEL_DblClick(int /*Index*/) {
  about::ShowAboutWindow(about_, *this);
}

}  // namespace app
