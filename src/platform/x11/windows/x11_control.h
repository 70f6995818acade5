// A control of a window the program draws itself on X11: a child window at
// its design place whose background the server fills, such as a lamp, so a
// change of colour costs one request and no drawing. Its presses and
// releases go to the window's input rules (FormInput). Text and pictures are
// GTK's (gtk_about/); without the GTK module their controls stand as plain
// rectangles too.
#pragma once

#include <xcb/xcb.h>

#include <memory>
#include <optional>

#include "platform/design.h"
#include "platform/input/form_input.h"
#include "platform/x11/connection/xcb_owners.h"

namespace platform::x11 {

class Display;
class WindowHost;

// The Windows 95 face colour, where a design sets none.
inline constexpr Colour kFaceColour = 0xC0C0C0;

// What a window's controls share.
struct ControlContext {
  Display& display;
  WindowHost& host;  // the desktop's double-click limits
  FormInput& input;
  const FormDesign& form;
  double twips_per_pixel;
};

class X11Control {
 public:
  // Makes the child window inside `parent`, mapped.
  X11Control(ControlContext& context, int row, xcb_window_t parent);
  X11Control(const X11Control&) = delete;
  X11Control& operator=(const X11Control&) = delete;

  xcb_window_t Id() const { return window_.Id(); }
  void SetBackColour(Colour colour);
  // Presses of the left button; a press or release may end in a call to the
  // program that destroys the window, and its controls: nothing is touched
  // after it.
  void OnButtonPress(const xcb_button_press_event_t& event);
  void OnButtonRelease(const xcb_button_release_event_t& event);
  // The pointer leaving and entering the control, for a window manager's
  // grab too; they may count as a press, with what that may end in.
  void OnPointerLeave(const xcb_leave_notify_event_t& event);
  void OnPointerEnter(const xcb_enter_notify_event_t& event);

 private:
  struct GrabbedPress {
    xcb_timestamp_t time;  // the grab's, at or after the press's own
    int x, y;
  };

  const ControlDesign& Design() const;
  bool CountGrabbedPress();
  bool CountPress(xcb_timestamp_t time, int x, int y);

  ControlContext& context_;
  int row_;
  Colour back_colour_;
  int width_ = 1, height_ = 1;  // pixels
  // A press a window manager's grab took, until it is handed on or kept.
  std::optional<GrabbedPress> grabbed_;
  OwnedWindow window_;
};

// The control for a design row; nullptr for a timer, which has no window.
std::unique_ptr<X11Control> MakeControl(ControlContext& context, int row, xcb_window_t parent);

}  // namespace platform::x11
