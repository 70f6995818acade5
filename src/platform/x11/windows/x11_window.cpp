// The top-level window on X11: made, shown, and its events handed on.
#include "platform/x11/windows/x11_window.h"

#include <xcb/xcb_ewmh.h>

#include <algorithm>

#include "platform/x11/connection/x11_display.h"
#include "platform/x11/placement/frame_extents.h"
#include "platform/x11/windows/window_host.h"
#include "platform/x11/windows/window_properties.h"

namespace platform::x11 {

X11Window::X11Window(WindowHost& host, const FormDesign& design, WindowEvents& events)
    : host_(host),
      design_(design),
      events_(events),
      placement_(host.X(), design, host.TwipsPerPixel()),
      input_(design, events),
      control_context_{host.X(), host, input_, design, host.TwipsPerPixel()} {
  Display& x = host_.X();
  xcb_connection_t* c = x.Connection();
  window_ = OwnedWindow(c, xcb_generate_id(c));
  placement_.Attach(c, x.Root(), window_.Id());
  // No keys: the window would otherwise be woken by every Num Lock press
  // the program makes.
  const std::uint32_t values[] = {x.PixelOf(design_.back_colour.value_or(kFaceColour)),
                                  XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE};
  xcb_create_window(c, XCB_COPY_FROM_PARENT, window_.Id(), x.Root(),
                    static_cast<std::int16_t>(placement_.ClientX()),
                    static_cast<std::int16_t>(placement_.ClientY()),
                    static_cast<std::uint16_t>(placement_.ClientWidth()),
                    static_cast<std::uint16_t>(placement_.ClientHeight()), 0,
                    XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                    XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
  SetToolWindowProperties(x, window_.Id(), design_);
  // The window manager works out the frame from those properties while the
  // icon goes up, the controls are made and the settings read: the answer is
  // most often in by the time the window is shown.
  if (host_.FrameExtentsRequestsAnswered()) {
    xcb_ewmh_request_frame_extents(&x.Ewmh(), 0, window_.Id());
    xcb_flush(c);
  }
  SetWindowIcon(x, window_.Id(), design_.icon);
  CreateControls();
  host_.Register(this);
}

X11Window::~X11Window() {
  host_.Unregister(this);
  controls_.clear();
  window_.Reset();
  xcb_flush(host_.X().Connection());
}

// The table lists the topmost control first, and a new window goes on top of
// its siblings: so the last row is made first.
void X11Window::CreateControls() {
  controls_.resize(design_.controls.size());
  for (std::size_t row = design_.controls.size(); row-- > 0;) {
    controls_[row] = MakeControl(control_context_, static_cast<int>(row), window_.Id());
  }
}

bool X11Window::Owns(xcb_window_t window) const {
  return window == window_.Id() ||
         std::ranges::any_of(controls_, [window](const std::unique_ptr<X11Control>& control) {
           return control && control->Id() == window;
         });
}

X11Control* X11Window::ControlOf(xcb_window_t window) {
  for (const std::unique_ptr<X11Control>& control : controls_) {
    if (control && control->Id() == window) {
      return control.get();
    }
  }
  return nullptr;
}

int X11Window::WindowState() const {
  return IsIconic(host_.X(), window_.Id()) ? kStateMinimised : kStateNormal;
}

void X11Window::Show(NativeWindow* owner) {
  if (shown_) {
    return;
  }
  Display& x = host_.X();
  if (owner != nullptr) {
    SetModalDialogProperties(x, window_.Id(), static_cast<xcb_window_t>(owner->Handle()));
    host_.BeginModal(this);
  }
  std::optional<FrameExtents> frame;
  if (host_.FrameExtentsRequestsAnswered()) {
    frame = AwaitFrameExtents(x.Ewmh(), window_.Id(),
                              [this](xcb_generic_event_t* event) { host_.KeepForLater(event); });
  }
  placement_.BeforeMap(frame);
  shown_ = true;
  xcb_map_window(x.Connection(), window_.Id());
  xcb_flush(x.Connection());
}

// ---- controls ------------------------------------------------------------------

void X11Window::SetControlBackColour(int control, Colour colour) {
  if (const auto& target = controls_.at(static_cast<std::size_t>(control))) {
    target->SetBackColour(colour);
  }
}

// ---- events --------------------------------------------------------------------

void X11Window::HandleEvent(const xcb_generic_event_t& event) {
  switch (event.response_type & 0x7F) {
    case XCB_CONFIGURE_NOTIFY:
    case XCB_MAP_NOTIFY:
    case XCB_REPARENT_NOTIFY:
    case XCB_PROPERTY_NOTIFY:
      placement_.OnStructureEvent(host_.X().Ewmh(), event);
      return;
    default:
      // Input: none while a modal window stands over this one.
      if (host_.TakesInput(this)) {
        OnInputEvent(event);
      }
      return;
  }
}

// Only the left button counts.
void X11Window::OnInputEvent(const xcb_generic_event_t& event) {
  switch (event.response_type & 0x7F) {
    case XCB_BUTTON_PRESS: {
      const auto& press = reinterpret_cast<const xcb_button_press_event_t&>(event);
      if (X11Control* control = ControlOf(press.event); control && press.detail == 1) {
        control->OnButtonPress(press);
      }
      return;
    }
    case XCB_BUTTON_RELEASE: {
      const auto& release = reinterpret_cast<const xcb_button_release_event_t&>(event);
      if (X11Control* control = ControlOf(release.event); control && release.detail == 1) {
        control->OnButtonRelease(release);
      }
      return;
    }
    case XCB_LEAVE_NOTIFY: {
      const auto& leave = reinterpret_cast<const xcb_leave_notify_event_t&>(event);
      if (X11Control* control = ControlOf(leave.event)) {
        control->OnPointerLeave(leave);
      }
      return;
    }
    case XCB_ENTER_NOTIFY: {
      const auto& enter = reinterpret_cast<const xcb_enter_notify_event_t&>(event);
      if (X11Control* control = ControlOf(enter.event)) {
        control->OnPointerEnter(enter);
      }
      return;
    }
    default:
      return;
  }
}

}  // namespace platform::x11
