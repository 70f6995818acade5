// A control's properties, passed on to its window while loaded.
#include "platform/controls.h"

#include "platform/form.h"

namespace platform {

Control::Control(Form& form, int index, const ControlDesign& design)
    : form_(form), index_(index), design_(design) {
  ResetToDesign();
}

void Control::SetBackColor(Colour colour) {
  back_colour_ = colour;
  if (NativeWindow* window = form_.Window()) {
    window->SetControlBackColour(index_, colour);
  }
}

void Control::SetCaption(std::string_view caption) {
  caption_ = caption;
  if (NativeWindow* window = form_.Window()) {
    window->SetControlText(index_, caption_);
  }
}

void Control::ResetToDesign() {
  back_colour_ = design_.back_colour.value_or(0);
  caption_ = design_.caption;
}

}  // namespace platform
