// One top-level window of the program on X11: a utility window with a close
// box only, its controls as child windows at their design places, and its
// outer rectangle read and set in twips. Lamps and other plain rectangles are
// windows whose background the server fills; controls with text or a picture
// are drawn by the control art module.
#pragma once

#include <xcb/xcb.h>

#include <cstddef>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/twips.h"
#include "platform/x11/xcb_owners.h"

namespace platform::x11 {

class X11Backend;
struct ControlFace;

// _NET_FRAME_EXTENTS: what the window manager's frame adds on each side.
struct FrameExtents {
  int left = 0, right = 0, top = 0, bottom = 0;
  bool operator==(const FrameExtents&) const = default;
};

class X11Window final : public NativeWindow {
 public:
  X11Window(X11Backend& backend, const FormDesign& design, WindowEvents& events);
  ~X11Window() override;
  X11Window(const X11Window&) = delete;
  X11Window& operator=(const X11Window&) = delete;

  Twips Left() const override;
  Twips Top() const override;
  Twips Width() const override;
  Twips Height() const override;
  void SetLeft(Twips value) override;
  void SetTop(Twips value) override;
  void SetWidth(Twips value) override;
  void SetHeight(Twips value) override;
  int WindowState() const override;
  WindowHandle Handle() const override { return window_.Id(); }
  void SetControlBackColour(int control, Colour colour) override;
  void SetControlText(int control, std::string_view text) override;
  void Show(NativeWindow* owner) override;

  xcb_window_t Id() const { return window_.Id(); }
  bool Shown() const { return shown_; }  // mapped by the program
  bool Owns(xcb_window_t window) const;  // the window itself or one of its controls
  // An event for this window or one of its controls. It may end in a call
  // to the program that destroys this object: nothing is touched after it.
  void HandleEvent(const xcb_generic_event_t& event);
  void CloseRequested() { events_.OnCloseRequest(); }

 private:
  struct ControlWindow {
    int index = 0;
    const ControlDesign* design = nullptr;
    OwnedWindow window;
    int width = 0, height = 0;
    Colour back_colour = 0;
    std::string text;    // line ends as "\n"
    bool drawn = false;  // text, border or picture: painted by the control art
    bool pressed = false;
    std::size_t anchor = 0, caret = 0;  // text boxes: the selection runs between them
    xcb_timestamp_t last_press = 0;
    int last_press_x = -100, last_press_y = -100;
  };

  void SetProperties();
  void CreateControls();
  ControlWindow* ControlOf(xcb_window_t window);
  ControlFace FaceOf(const ControlWindow& control) const;
  void Paint(ControlWindow& control);
  void Repaint(ControlWindow& control);

  void OnConfigure(const xcb_configure_notify_event_t& event);
  void OnProperty(const xcb_property_notify_event_t& event);
  void OnButtonPress(ControlWindow& control, const xcb_button_press_event_t& event);
  void OnButtonRelease(ControlWindow& control, const xcb_button_release_event_t& event);
  void OnMotion(ControlWindow& control, const xcb_motion_notify_event_t& event);
  void OnKeyPress(const xcb_key_press_event_t& event);
  void OnTextBoxKey(ControlWindow& control, xcb_keysym_t key, std::uint16_t state,
                    xcb_timestamp_t time);
  void SelectText(ControlWindow& control, std::size_t anchor, std::size_t caret,
                  xcb_timestamp_t time);
  void MoveFocus(bool forward);
  void FocusControl(ControlWindow* control);
  std::vector<ControlWindow*> TabOrder();

  double TwipsPerPixel() const;
  void PlaceClient();  // puts the client where the outer rectangle asks
  void LearnFrame(const FrameExtents& frame);
  void OnClientMoved(int x, int y);         // in root coordinates
  bool ClientOrigin(int& x, int& y) const;  // in root coordinates

  X11Backend& backend_;
  const FormDesign& design_;
  WindowEvents& events_;
  OwnedWindow window_;
  std::vector<ControlWindow> controls_;  // one per design row; timers have no window
  ControlWindow* focus_ = nullptr;
  FrameExtents frame_;
  bool shown_ = false;
  bool frame_learnt_after_map_ = false;
  // The window manager (or, without one, the server) has said where the
  // client is since the program last placed it; until then it stands where
  // it was asked to.
  bool stands_placed_ = false;
  bool mapped_ = false;             // the window manager has mapped it
  bool placed_again_ = false;       // placed after mapping, not yet seen there
  xcb_window_t parent_ = XCB_NONE;  // the root, or the window manager's frame
  // The outer rectangle the program last asked for, in pixels.
  int outer_left_ = 0, outer_top_ = 0, client_width_ = 1, client_height_ = 1;
  int placed_x_ = 0, placed_y_ = 0;           // where the client was last put
  int left_place_x_ = 0, left_place_y_ = 0;   // and where it was put before
  int actual_width_ = 1, actual_height_ = 1;  // the client size as the server has it
  TwipsCoordinate left_, top_;
  TwipsCoordinate width_{kDesignFrameWidth}, height_{kDesignFrameHeight};
};

}  // namespace platform::x11
