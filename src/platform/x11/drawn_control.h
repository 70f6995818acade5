// A control drawn by the control art module: its face is painted whenever it
// changes or the server asks for it again.
#pragma once

#include "platform/x11/x11_control.h"

namespace platform::x11 {

class ControlArt;

class DrawnControl : public X11Control {
 public:
  // The art module is loaded with the first drawn control, when its window
  // opens, rather than at its first exposure.
  DrawnControl(ControlContext& context, int row);
  void Repaint() override;
  void OnExpose(const xcb_expose_event_t& event) override;

 protected:
  static constexpr std::uint32_t kEvents = XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_BUTTON_PRESS |
                                           XCB_EVENT_MASK_BUTTON_RELEASE |
                                           XCB_EVENT_MASK_BUTTON_1_MOTION;
  ControlArt* Art();  // nullptr when the module could not be loaded
};

}  // namespace platform::x11
