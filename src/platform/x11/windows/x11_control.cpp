// The plain rectangles of the windows the program draws itself.
#include "platform/x11/windows/x11_control.h"

#include <algorithm>
#include <cstdint>

#include "platform/twips.h"
#include "platform/x11/connection/x11_display.h"
#include "platform/x11/windows/window_host.h"

namespace platform::x11 {

namespace {

// Held buttons and modifiers that make a press something other than a plain
// click; Caps Lock and Num Lock (which this program presses) do not.
constexpr std::uint16_t kNotAPlainClick =
    XCB_BUTTON_MASK_1 | XCB_BUTTON_MASK_2 | XCB_BUTTON_MASK_3 | XCB_BUTTON_MASK_4 |
    XCB_BUTTON_MASK_5 | XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 |
    XCB_MOD_MASK_3 | XCB_MOD_MASK_4 | XCB_MOD_MASK_5;

}  // namespace

X11Control::X11Control(ControlContext& context, int row, xcb_window_t parent)
    : context_(context), row_(row), back_colour_(Design().back_colour.value_or(kFaceColour)) {
  xcb_connection_t* c = context_.display.Connection();
  const double tpp = context_.twips_per_pixel;
  width_ = std::max(1, TwipsToPixels(Design().width, tpp));
  height_ = std::max(1, TwipsToPixels(Design().height, tpp));
  // Releases only where they press a button; crossings where a grab may take
  // a double-click's press (see OnButtonPress).
  const bool button = Design().kind == ControlKind::PushButton;
  const std::uint32_t values[] = {
      context_.display.PixelOf(back_colour_),
      XCB_EVENT_MASK_BUTTON_PRESS | (button ? std::uint32_t{XCB_EVENT_MASK_BUTTON_RELEASE} : 0u) |
          (Design().handles_dbl_click
               ? std::uint32_t{XCB_EVENT_MASK_LEAVE_WINDOW | XCB_EVENT_MASK_ENTER_WINDOW}
               : 0u)};
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

// A window manager that focuses a window when it is clicked grabs the press
// on the way: the pointer leaves the control for the grab, with the button
// down, at the grab's time. Afterwards it either hands the press on, and the
// pointer comes back with the button still down, followed by the press with
// its own time; or it keeps the press (mutter 48 at times does, when a window
// has just appeared), and the pointer comes back only once the button is up.
// On a busy machine the grab may act a second or more late, and its time is
// then later than the press's own: a double-click counts on the presses'
// times wherever they come.
void X11Control::OnButtonPress(const xcb_button_press_event_t& event) {
  if (grabbed_ && static_cast<std::int32_t>(event.time - grabbed_->time) <= 0) {
    grabbed_.reset();  // handed on: the press itself counts
  } else if (CountGrabbedPress()) {
    return;  // the program was called and may have destroyed this control
  }
  CountPress(event.time, event.event_x, event.event_y);
}

void X11Control::OnPointerLeave(const xcb_leave_notify_event_t& event) {
  if (Design().handles_dbl_click && event.mode == XCB_NOTIFY_MODE_GRAB &&
      event.detail == XCB_NOTIFY_DETAIL_ANCESTOR &&
      (event.state & kNotAPlainClick) == XCB_BUTTON_MASK_1) {
    if (CountGrabbedPress()) {
      return;
    }
    grabbed_ = GrabbedPress{event.time, event.event_x, event.event_y};
  }
}

void X11Control::OnPointerEnter(const xcb_enter_notify_event_t& event) {
  if (event.mode == XCB_NOTIFY_MODE_UNGRAB && (event.state & XCB_BUTTON_MASK_1) == 0) {
    CountGrabbedPress();  // the grab ended with the release: the press was kept
  }
}

bool X11Control::CountGrabbedPress() {
  if (!grabbed_) {
    return false;
  }
  const GrabbedPress press = *grabbed_;
  grabbed_.reset();
  return CountPress(press.time, press.x, press.y);
}

bool X11Control::CountPress(xcb_timestamp_t time, int x, int y) {
  return context_.input.ButtonDown(row_, x, y, time,
                                   context_.host.DesktopDoubleClick());  // may destroy this object
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
