// The plain rectangles of the windows the program draws itself.
#include "platform/x11/windows/x11_control.h"

#include <algorithm>

#include "platform/twips.h"
#include "platform/x11/connection/x11_display.h"
#include "platform/x11/windows/window_host.h"

namespace platform::x11 {

X11Control::X11Control(ControlContext& context, int row, xcb_window_t parent)
    : context_(context), row_(row), back_colour_(Design().back_colour.value_or(kFaceColour)) {
  xcb_connection_t* c = context_.display.Connection();
  const double tpp = context_.twips_per_pixel;
  width_ = std::max(1, TwipsToPixels(Design().width, tpp));
  height_ = std::max(1, TwipsToPixels(Design().height, tpp));
  // Releases only where they press a button.
  const bool button = Design().kind == ControlKind::PushButton;
  const std::uint32_t values[] = {
      context_.display.PixelOf(back_colour_),
      XCB_EVENT_MASK_BUTTON_PRESS | (button ? std::uint32_t{XCB_EVENT_MASK_BUTTON_RELEASE} : 0u)};
  window_ = OwnedWindow(c, xcb_generate_id(c));
  xcb_create_window(c, XCB_COPY_FROM_PARENT, window_.Id(), parent,
                    static_cast<std::int16_t>(TwipsToPixels(Design().left, tpp)),
                    static_cast<std::int16_t>(TwipsToPixels(Design().top, tpp)),
                    static_cast<std::uint16_t>(width_), static_cast<std::uint16_t>(height_), 0,
                    XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                    XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
  xcb_map_window(c, window_.Id());
}

const ControlDesign& X11Control::Design() const {
  return context_.form.controls[static_cast<std::size_t>(row_)];
}

void X11Control::SetBackColour(Colour colour) {
  if (back_colour_ == colour) {
    return;
  }
  back_colour_ = colour;
  xcb_connection_t* c = context_.display.Connection();
  const std::uint32_t pixel = context_.display.PixelOf(back_colour_);
  xcb_change_window_attributes(c, window_.Id(), XCB_CW_BACK_PIXEL, &pixel);
  xcb_clear_area(c, 0, window_.Id(), 0, 0, 0, 0);
}

void X11Control::OnButtonPress(const xcb_button_press_event_t& event) {
  context_.input.ButtonDown(row_, event.event_x, event.event_y, event.time,
                            context_.host.DesktopDoubleClick());
}

void X11Control::OnButtonRelease(const xcb_button_release_event_t& event) {
  const bool inside =
      event.event_x >= 0 && event.event_y >= 0 && event.event_x < width_ && event.event_y < height_;
  context_.input.ButtonUp(row_, inside);
}

std::unique_ptr<X11Control> MakeControl(ControlContext& context, int row, xcb_window_t parent) {
  if (context.form.controls[static_cast<std::size_t>(row)].kind == ControlKind::Timer) {
    return nullptr;  // the scheduler runs timers
  }
  return std::make_unique<X11Control>(context, row, parent);
}

}  // namespace platform::x11
