// A label with neither text nor border, such as a lamp: a window whose
// background the server fills, so a change of colour costs one request and
// no drawing. It takes presses only, for double-clicks.
#include <xcb/xcb.h>

#include "platform/x11/x11_control.h"
#include "platform/x11/x11_display.h"

namespace platform::x11 {

namespace {

class PlainRectangle final : public X11Control {
 public:
  PlainRectangle(ControlContext& context, int row, xcb_window_t parent) : X11Control(context, row) {
    Create(parent, WidthPixels(), HeightPixels(), XCB_EVENT_MASK_BUTTON_PRESS);
  }

  void Repaint() override {
    xcb_connection_t* c = context_.display.Connection();
    const std::uint32_t pixel = context_.display.PixelOf(back_colour_);
    xcb_change_window_attributes(c, window_.Id(), XCB_CW_BACK_PIXEL, &pixel);
    xcb_clear_area(c, 0, window_.Id(), 0, 0, 0, 0);
  }
};

}  // namespace

std::unique_ptr<X11Control> MakePlainRectangle(ControlContext& context, int row,
                                               xcb_window_t parent) {
  return std::make_unique<PlainRectangle>(context, row, parent);
}

}  // namespace platform::x11
