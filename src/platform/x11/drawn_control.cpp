// Controls painted by the art module, on change and on exposure.
#include "platform/x11/drawn_control.h"

#include "platform/x11/art_module.h"
#include "platform/x11/control_art.h"

namespace platform::x11 {

DrawnControl::DrawnControl(ControlContext& context, int row) : X11Control(context, row) {
  Art();
}

ControlArt* DrawnControl::Art() {
  return context_.art.Get();
}

void DrawnControl::Repaint() {
  if (ControlArt* art = Art(); art != nullptr && window_) {
    art->Paint(window_.Id(), Face());
  }
}

// Only the last of a run of exposures paints: the whole face at once.
void DrawnControl::OnExpose(const xcb_expose_event_t& event) {
  if (event.count == 0) {
    Repaint();
  }
}

}  // namespace platform::x11
