// A control of a window on X11: a child window at its design place. Each
// kind draws itself and turns its pointer events into the window's input
// rules (FormInput); the kinds are made by MakeControl.
#pragma once

#include <xcb/xcb.h>

#include <memory>

#include "platform/design.h"
#include "platform/input/form_input.h"
#include "platform/x11/xcb_owners.h"

namespace platform::x11 {

class ArtModule;
class Display;
struct ControlFace;

// What a window's controls share.
struct ControlContext {
  Display& display;
  ArtModule& art;    // loaded when the first drawn control is made
  FormInput& input;  // the window's input rules, and every control's text
  const FormDesign& form;
  double twips_per_pixel;
};

class X11Control {
 public:
  X11Control(ControlContext& context, int row);
  virtual ~X11Control() = default;
  X11Control(const X11Control&) = delete;
  X11Control& operator=(const X11Control&) = delete;

  xcb_window_t Id() const { return window_.Id(); }
  int Row() const { return row_; }
  void SetBackColour(Colour colour);
  // Shows the control's face as it now stands; only this control is touched.
  virtual void Repaint() = 0;
  virtual void OnExpose(const xcb_expose_event_t& /*event*/) {}
  // Presses of the left button; a press may end in a call to the program
  // that destroys the window, and its controls: nothing is touched after it.
  virtual void OnButtonPress(const xcb_button_press_event_t& event);
  virtual void OnButtonRelease(const xcb_button_release_event_t& /*event*/) {}
  virtual void OnMotion(const xcb_motion_notify_event_t& /*event*/) {}
  // The pointer leaving the control, for a grab too; as a press, it may
  // destroy the window.
  virtual void OnPointerLeave(const xcb_leave_notify_event_t& /*event*/) {}

 protected:
  // Makes the child window, mapped, `width` x `height` pixels at the design
  // place, taking the given events.
  void Create(xcb_window_t parent, int width, int height, std::uint32_t events);
  const ControlDesign& Design() const;
  ControlFace Face() const;
  int WidthPixels() const;
  int HeightPixels() const;

  ControlContext& context_;
  int row_;
  Colour back_colour_;
  int width_ = 1, height_ = 1;  // pixels
  OwnedWindow window_;
};

// The control for a design row, its window made inside `parent`; nullptr
// for a timer, which has no window.
std::unique_ptr<X11Control> MakeControl(ControlContext& context, int row, xcb_window_t parent);

// Each kind, as MakeControl chooses it.
std::unique_ptr<X11Control> MakePlainRectangle(ControlContext& context, int row,
                                               xcb_window_t parent);
std::unique_ptr<X11Control> MakeLabel(ControlContext& context, int row, xcb_window_t parent);
std::unique_ptr<X11Control> MakePushButton(ControlContext& context, int row, xcb_window_t parent);
std::unique_ptr<X11Control> MakeTextBox(ControlContext& context, int row, xcb_window_t parent);
std::unique_ptr<X11Control> MakePictureBox(ControlContext& context, int row, xcb_window_t parent);

}  // namespace platform::x11
