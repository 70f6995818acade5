// The top-level window on X11: made, shown, and its events handed on.
#include "platform/x11/x11_window.h"

#include <xcb/xcb_ewmh.h>

#include <algorithm>

#include "platform/x11/control_art.h"
#include "platform/x11/frame_extents.h"
#include "platform/x11/window_host.h"
#include "platform/x11/window_properties.h"
#include "platform/x11/x11_display.h"

namespace platform::x11 {

namespace {

std::string WithUnixLineEnds(std::string_view text) {
  std::string result;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
      result += text[i];
    }
  }
  return result;
}

}  // namespace

X11Window::X11Window(WindowHost& host, const FormDesign& design, WindowEvents& events)
    : host_(host),
      design_(design),
      events_(events),
      placement_(host.X(), design, host.TwipsPerPixel()),
      input_(design, events, *this),
      control_context_{host.X(), host.Art(), input_, design, host.TwipsPerPixel()} {
  Display& x = host_.X();
  xcb_connection_t* c = x.Connection();
  window_ = OwnedWindow(c, xcb_generate_id(c));
  placement_.Attach(c, x.Root(), window_.Id());
  // Keys only where a control can take them: the main window would
  // otherwise be woken by every Num Lock press it makes.
  const bool takes_keys = std::ranges::any_of(
      design_.controls, [](const ControlDesign& control) { return control.takes_focus; });
  const std::uint32_t values[] = {x.PixelOf(design_.back_colour.value_or(kFaceColour)),
                                  XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE |
                                      (takes_keys ? std::uint32_t{XCB_EVENT_MASK_KEY_PRESS} : 0u)};
  xcb_create_window(c, XCB_COPY_FROM_PARENT, window_.Id(), x.Root(),
                    static_cast<std::int16_t>(placement_.ClientX()),
                    static_cast<std::int16_t>(placement_.ClientY()),
                    static_cast<std::uint16_t>(placement_.ClientWidth()),
                    static_cast<std::uint16_t>(placement_.ClientHeight()), 0,
                    XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                    XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
  SetToolWindowProperties(x, window_.Id(), design_);
  CreateControls();
  if (host_.FrameExtentsRequestsAnswered()) {
    xcb_ewmh_request_frame_extents(&x.Ewmh(), 0, window_.Id());
  }
  host_.Register(this);
}

X11Window::~X11Window() {
  host_.Unregister(this);
  controls_.clear();
  window_.Reset();
  xcb_flush(host_.X().Connection());
}

// The table lists the topmost control first, and a new window goes on top of
// its siblings: so the last row is made first. Texts are kept with X's line
// ends.
void X11Window::CreateControls() {
  controls_.resize(design_.controls.size());
  for (std::size_t row = design_.controls.size(); row-- > 0;) {
    const int index = static_cast<int>(row);
    input_.SetText(index, WithUnixLineEnds(design_.controls[row].caption));
    controls_[row] = MakeControl(control_context_, index, window_.Id());
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
  if (auto* owner_window = static_cast<X11Window*>(owner)) {
    SetModalDialogProperties(x, window_.Id(), owner_window->Id());
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
  input_.FocusFirst();
  xcb_flush(x.Connection());
}

// ---- controls ------------------------------------------------------------------

void X11Window::SetControlBackColour(int control, Colour colour) {
  if (const auto& target = controls_.at(static_cast<std::size_t>(control))) {
    target->SetBackColour(colour);
  }
}

void X11Window::SetControlText(int control, std::string_view text) {
  std::string lines = WithUnixLineEnds(text);
  if (input_.Text(control).Value() == lines) {
    return;
  }
  input_.SetText(control, lines);
  RepaintControl(control);
}

void X11Window::RepaintControl(int row) {
  if (const auto& control = controls_.at(static_cast<std::size_t>(row))) {
    control->Repaint();
  }
}

void X11Window::OfferText(TextOffer where, std::string text, InputTime time) {
  const xcb_atom_t selection =
      where == TextOffer::Selection ? xcb_atom_t{XCB_ATOM_PRIMARY} : host_.X().Atom().clipboard;
  host_.OfferText(selection, std::move(text), time);
}

// ---- events --------------------------------------------------------------------

void X11Window::HandleEvent(const xcb_generic_event_t& event) {
  switch (event.response_type & 0x7F) {
    case XCB_EXPOSE: {
      const auto& expose = reinterpret_cast<const xcb_expose_event_t&>(event);
      if (X11Control* control = ControlOf(expose.window)) {
        control->OnExpose(expose);
      }
      return;
    }
    case XCB_CONFIGURE_NOTIFY:
    case XCB_MAP_NOTIFY:
    case XCB_REPARENT_NOTIFY:
    case XCB_PROPERTY_NOTIFY:
      OnStructureEvent(event);
      return;
    default:
      // Input: none while a modal window stands over this one.
      if (host_.TakesInput(this)) {
        OnInputEvent(event);
      }
      return;
  }
}

void X11Window::OnStructureEvent(const xcb_generic_event_t& event) {
  switch (event.response_type & 0x7F) {
    case XCB_CONFIGURE_NOTIFY: {
      const auto& configure = reinterpret_cast<const xcb_configure_notify_event_t&>(event);
      if (configure.window == window_.Id()) {
        placement_.OnConfigureNotify(configure, (event.response_type & 0x80) != 0);
      }
      return;
    }
    case XCB_MAP_NOTIFY:
      if (reinterpret_cast<const xcb_map_notify_event_t&>(event).window == window_.Id()) {
        placement_.OnMapNotify();
      }
      return;
    case XCB_REPARENT_NOTIFY: {
      const auto& reparent = reinterpret_cast<const xcb_reparent_notify_event_t&>(event);
      if (reparent.window == window_.Id()) {
        placement_.OnReparentNotify(reparent.parent);
      }
      return;
    }
    case XCB_PROPERTY_NOTIFY:
      if (IsFrameExtentsChange(host_.X().Ewmh(), event, window_.Id())) {
        if (const std::optional<FrameExtents> frame =
                ReadFrameExtents(host_.X().Ewmh(), window_.Id())) {
          placement_.OnFrameExtents(*frame);
        }
      }
      return;
    default:
      return;
  }
}

// Only the left button counts; keys go to the focused control, whichever
// child the pointer is over.
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
    case XCB_MOTION_NOTIFY: {
      const auto& motion = reinterpret_cast<const xcb_motion_notify_event_t&>(event);
      if (X11Control* control = ControlOf(motion.event)) {
        control->OnMotion(motion);
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
    case XCB_KEY_PRESS:
      input_.KeyDown(host_.Translate(reinterpret_cast<const xcb_key_press_event_t&>(event)));
      return;
    default:
      return;
  }
}

}  // namespace platform::x11
