// A locked text box: sunken, its text drawn with the selection; the pointer
// places the caret at the character under it and drags the selection.
#include "platform/x11/control_art.h"
#include "platform/x11/drawn_control.h"

namespace platform::x11 {

namespace {

class TextBox final : public DrawnControl {
 public:
  TextBox(ControlContext& context, int row, xcb_window_t parent) : DrawnControl(context, row) {
    Create(parent, WidthPixels(), HeightPixels(), kEvents);
  }

  void OnButtonPress(const xcb_button_press_event_t& event) override {
    context_.input.ButtonDown(row_, event.event_x, event.event_y, event.time,
                              TextAt(event.event_x, event.event_y),
                              (event.state & XCB_MOD_MASK_SHIFT) != 0);
  }

  void OnMotion(const xcb_motion_notify_event_t& event) override {
    context_.input.Drag(row_, TextAt(event.event_x, event.event_y));
  }

  void OnButtonRelease(const xcb_button_release_event_t& event) override {
    context_.input.ButtonUp(row_, true, event.time);
  }

 private:
  std::size_t TextAt(int x, int y) {
    ControlArt* art = Art();
    return art != nullptr ? art->TextOffsetAt(Face(), x, y) : 0;
  }
};

}  // namespace

std::unique_ptr<X11Control> MakeTextBox(ControlContext& context, int row, xcb_window_t parent) {
  return std::make_unique<TextBox>(context, row, parent);
}

}  // namespace platform::x11
