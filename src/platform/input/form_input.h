// How a window's controls answer the mouse where the program draws them
// itself, whatever window system delivers the presses: double-clicks, and
// push buttons pressed by a press and a release over them. (Windows and GTK
// bring their own controls; these rules are for the in-memory windows and
// the X11 program's plain rectangles.)
#pragma once

#include <vector>

#include "platform/backend.h"
#include "platform/design.h"
#include "platform/input/double_click.h"

namespace platform {

class FormInput {
 public:
  FormInput(const FormDesign& design, WindowEvents& events);

  bool Pressed(int row) const { return Of(row).pressed; }

  // The calls below may end in a call to the program that destroys the
  // window, and this object with it: nothing is touched after them.

  // The left button went down at (x, y) in the control's pixels; `limits`
  // are the desktop's double-click time and distance. True when it called
  // the program.
  bool ButtonDown(int row, int x, int y, InputTime time, const DoubleClickLimits& limits = {});
  // The left button came up; `inside` when over the control it went down on.
  void ButtonUp(int row, bool inside);

 private:
  struct ControlInput {
    DoubleClickRule clicks;
    bool pressed = false;
  };

  const ControlInput& Of(int row) const { return controls_.at(static_cast<std::size_t>(row)); }
  ControlInput& Of(int row) { return controls_.at(static_cast<std::size_t>(row)); }
  const ControlDesign& DesignOf(int row) const;

  const FormDesign& design_;
  WindowEvents& events_;
  std::vector<ControlInput> controls_;  // one per design row
};

}  // namespace platform
