// A window's mouse rules: double-clicks and push buttons.
#include "platform/input/form_input.h"

namespace platform {

FormInput::FormInput(const FormDesign& design, WindowEvents& events)
    : design_(design), events_(events), controls_(design.controls.size()) {}

const ControlDesign& FormInput::DesignOf(int row) const {
  return design_.controls[static_cast<std::size_t>(row)];
}

bool FormInput::ButtonDown(int row, int x, int y, InputTime time, const DoubleClickLimits& limits) {
  ControlInput& control = Of(row);
  const ControlDesign& design = DesignOf(row);
  const bool double_click = control.clicks.Press(time, x, y, limits);
  if (design.kind == ControlKind::PushButton) {
    control.pressed = true;
  } else if (double_click && design.handles_dbl_click) {
    events_.OnControlDblClick(row);  // may destroy this object
    return true;
  }
  return false;
}

void FormInput::ButtonUp(int row, bool inside) {
  ControlInput& control = Of(row);
  const ControlDesign& design = DesignOf(row);
  if (design.kind != ControlKind::PushButton || !control.pressed) {
    return;
  }
  control.pressed = false;
  if (inside && design.handles_click) {
    events_.OnControlClick(row);  // may destroy this object
  }
}

}  // namespace platform
