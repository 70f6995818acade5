// A label with text or a border: drawn in its font and colours; presses
// count towards double-clicks.
#include "platform/x11/drawn_control.h"

namespace platform::x11 {

namespace {

class Label final : public DrawnControl {
 public:
  Label(ControlContext& context, int row, xcb_window_t parent) : DrawnControl(context, row) {
    Create(parent, WidthPixels(), HeightPixels(), kEvents);
  }
};

}  // namespace

std::unique_ptr<X11Control> MakeLabel(ControlContext& context, int row, xcb_window_t parent) {
  return std::make_unique<Label>(context, row, parent);
}

}  // namespace platform::x11
