// What every control shares, and the choice of a row's kind.
#include "platform/x11/x11_control.h"

#include <algorithm>

#include "platform/twips.h"
#include "platform/x11/control_art.h"
#include "platform/x11/x11_display.h"

namespace platform::x11 {

X11Control::X11Control(ControlContext& context, int row)
    : context_(context),
      row_(row),
      back_colour_(Design().back_colour.value_or(
          Design().kind == ControlKind::TextBox ? kWindowColour : kFaceColour)) {}

const ControlDesign& X11Control::Design() const {
  return context_.form.controls[static_cast<std::size_t>(row_)];
}

int X11Control::WidthPixels() const {
  return std::max(1, TwipsToPixels(Design().width, context_.twips_per_pixel));
}

int X11Control::HeightPixels() const {
  return std::max(1, TwipsToPixels(Design().height, context_.twips_per_pixel));
}

void X11Control::Create(xcb_window_t parent, int width, int height, std::uint32_t events) {
  xcb_connection_t* c = context_.display.Connection();
  const double tpp = context_.twips_per_pixel;
  width_ = width;
  height_ = height;
  const std::uint32_t values[] = {context_.display.PixelOf(back_colour_), events};
  window_ = OwnedWindow(c, xcb_generate_id(c));
  xcb_create_window(c, XCB_COPY_FROM_PARENT, window_.Id(), parent,
                    static_cast<std::int16_t>(TwipsToPixels(Design().left, tpp)),
                    static_cast<std::int16_t>(TwipsToPixels(Design().top, tpp)),
                    static_cast<std::uint16_t>(width_), static_cast<std::uint16_t>(height_), 0,
                    XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                    XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
  xcb_map_window(c, window_.Id());
}

void X11Control::SetBackColour(Colour colour) {
  if (back_colour_ != colour) {
    back_colour_ = colour;
    Repaint();
  }
}

ControlFace X11Control::Face() const {
  const FormInput& input = context_.input;
  const LockedText& text = input.Text(row_);
  ControlFace face;
  face.design = &Design();
  face.font = Design().font ? &*Design().font : &context_.form.font;
  face.text = text.Value();
  face.back_colour = back_colour_;
  face.width = width_;
  face.height = height_;
  face.focused = input.Focused() == row_;
  face.pressed = input.Pressed(row_);
  face.selection_from = text.SelectionFrom();
  face.selection_to = text.SelectionTo();
  return face;
}

void X11Control::OnButtonPress(const xcb_button_press_event_t& event) {
  context_.input.ButtonDown(row_, event.event_x, event.event_y, event.time, 0,
                            (event.state & XCB_MOD_MASK_SHIFT) != 0);
}

// A label with neither text nor border is a plain rectangle, which the
// server fills; every other control is drawn.
std::unique_ptr<X11Control> MakeControl(ControlContext& context, int row, xcb_window_t parent) {
  const ControlDesign& design = context.form.controls[static_cast<std::size_t>(row)];
  switch (design.kind) {
    case ControlKind::Timer:
      return nullptr;  // the scheduler runs timers
    case ControlKind::Label:
      if (design.caption.empty() && design.border == Border::None) {
        return MakePlainRectangle(context, row, parent);
      }
      return MakeLabel(context, row, parent);
    case ControlKind::PushButton:
      return MakePushButton(context, row, parent);
    case ControlKind::TextBox:
      return MakeTextBox(context, row, parent);
    case ControlKind::PictureBox:
      return MakePictureBox(context, row, parent);
  }
  return nullptr;
}

}  // namespace platform::x11
