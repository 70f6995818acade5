// One top-level window the program draws itself on X11 (the main window): a
// utility window with a close box only, its controls plain rectangles at
// their design places. It keeps its place through the window manager's
// frame, and hands its controls' presses to the input rules.
#pragma once

#include <xcb/xcb.h>

#include <memory>
#include <vector>

#include "platform/backend.h"
#include "platform/input/form_input.h"
#include "platform/x11/connection/xcb_owners.h"
#include "platform/x11/placement/window_placement.h"
#include "platform/x11/windows/hosted_window.h"
#include "platform/x11/windows/x11_control.h"

namespace platform::x11 {

class WindowHost;

class X11Window final : public NativeWindow, public HostedWindow {
 public:
  X11Window(WindowHost& host, const FormDesign& design, WindowEvents& events);
  ~X11Window() override;
  X11Window(const X11Window&) = delete;
  X11Window& operator=(const X11Window&) = delete;

  Twips Left() const override { return placement_.Left(); }
  Twips Top() const override { return placement_.Top(); }
  Twips Width() const override { return placement_.Width(); }
  Twips Height() const override { return placement_.Height(); }
  void SetLeft(Twips value) override { placement_.SetLeft(value); }
  void SetTop(Twips value) override { placement_.SetTop(value); }
  void SetWidth(Twips value) override { placement_.SetWidth(value); }
  void SetHeight(Twips value) override { placement_.SetHeight(value); }
  int WindowState() const override;
  WindowHandle Handle() const override { return window_.Id(); }
  void SetControlBackColour(int control, Colour colour) override;
  // Plain rectangles show no text.
  void SetControlText(int /*control*/, std::string_view /*text*/) override {}
  void Show(NativeWindow* owner) override;

  // HostedWindow
  xcb_window_t Id() const override { return window_.Id(); }
  bool Shown() const override { return shown_; }
  bool Owns(xcb_window_t window) const override;
  void HandleEvent(const xcb_generic_event_t& event) override;
  void CloseRequested() override { events_.OnCloseRequest(); }

 private:
  void CreateControls();
  X11Control* ControlOf(xcb_window_t window);
  void OnInputEvent(const xcb_generic_event_t& event);

  WindowHost& host_;
  const FormDesign& design_;
  WindowEvents& events_;
  WindowPlacement placement_;
  FormInput input_;
  ControlContext control_context_;
  OwnedWindow window_;
  std::vector<std::unique_ptr<X11Control>> controls_;  // one per design row; timers have none
  bool shown_ = false;
};

}  // namespace platform::x11
