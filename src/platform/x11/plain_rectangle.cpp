// A label with neither text nor border, such as a lamp: a window whose
// background the server fills, so a change of colour costs one request and
// no drawing. It takes presses only, for double-clicks, and counts a press
// a window manager's grab took.
#include <xcb/xcb.h>

#include <optional>

#include "platform/x11/x11_control.h"
#include "platform/x11/x11_display.h"

namespace platform::x11 {

namespace {

// Held buttons and modifiers that make a press something other than a plain
// click; Caps Lock and Num Lock (which this program presses) do not.
constexpr std::uint16_t kNotAPlainClick =
    XCB_BUTTON_MASK_1 | XCB_BUTTON_MASK_2 | XCB_BUTTON_MASK_3 | XCB_BUTTON_MASK_4 |
    XCB_BUTTON_MASK_5 | XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 |
    XCB_MOD_MASK_3 | XCB_MOD_MASK_4 | XCB_MOD_MASK_5;

class PlainRectangle final : public X11Control {
 public:
  PlainRectangle(ControlContext& context, int row, xcb_window_t parent) : X11Control(context, row) {
    Create(parent, WidthPixels(), HeightPixels(),
           XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_LEAVE_WINDOW);
  }

  void Repaint() override {
    xcb_connection_t* c = context_.display.Connection();
    const std::uint32_t pixel = context_.display.PixelOf(back_colour_);
    xcb_change_window_attributes(c, window_.Id(), XCB_CW_BACK_PIXEL, &pixel);
    xcb_clear_area(c, 0, window_.Id(), 0, 0, 0, 0);
  }

  void OnButtonPress(const xcb_button_press_event_t& event) override {
    CountPress(event.time, event.event_x, event.event_y);
  }

  // A window manager that focuses a window when it is clicked grabs the
  // press on the way (the pointer leaves the lamp for the grab, at the
  // press's time, with the button down) and mostly hands it on afterwards.
  // mutter 48 at times keeps it: when a window has just appeared and it
  // cannot yet tell which window is under the pointer. The grab is then all
  // that shows of the press, and it counts as the press.
  void OnPointerLeave(const xcb_leave_notify_event_t& event) override {
    if (event.mode == XCB_NOTIFY_MODE_GRAB && event.detail == XCB_NOTIFY_DETAIL_ANCESTOR &&
        (event.state & kNotAPlainClick) == XCB_BUTTON_MASK_1) {
      CountPress(event.time, event.event_x, event.event_y);
    }
  }

 private:
  // A press handed on after the grab has the grab's time: it counts once.
  void CountPress(xcb_timestamp_t time, int x, int y) {
    if (counted_ == time) {
      return;
    }
    counted_ = time;
    context_.input.ButtonDown(row_, x, y, time, 0, false);  // may destroy this object
  }

  std::optional<xcb_timestamp_t> counted_;
};

}  // namespace

std::unique_ptr<X11Control> MakePlainRectangle(ControlContext& context, int row,
                                               xcb_window_t parent) {
  return std::make_unique<PlainRectangle>(context, row, parent);
}

}  // namespace platform::x11
