// A push button: drawn raised, sunk while the left button holds it down; it
// is clicked when the button comes up over it.
#include "platform/x11/drawn_control.h"

namespace platform::x11 {

namespace {

class PushButton final : public DrawnControl {
 public:
  PushButton(ControlContext& context, int row, xcb_window_t parent) : DrawnControl(context, row) {
    Create(parent, WidthPixels(), HeightPixels(), kEvents);
  }

  void OnButtonRelease(const xcb_button_release_event_t& event) override {
    const bool inside = event.event_x >= 0 && event.event_x < width_ && event.event_y >= 0 &&
                        event.event_y < height_;
    context_.input.ButtonUp(row_, inside, event.time);  // may destroy this object
  }
};

}  // namespace

std::unique_ptr<X11Control> MakePushButton(ControlContext& context, int row, xcb_window_t parent) {
  return std::make_unique<PushButton>(context, row, parent);
}

}  // namespace platform::x11
