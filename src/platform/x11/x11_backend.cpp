// The Linux backend: its windows, and each X event routed to the one it is for.
#include "platform/x11/x11_backend.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <span>

#include "platform/gtk_about/gtk_form.h"
#include "platform/twips.h"
#include "platform/x11/keys/wayland_keys.h"
#include "platform/x11/keys/x11_keys.h"
#include "platform/x11/placement/window_manager_check.h"
#include "platform/x11/stacking/x11_stacking.h"
#include "platform/x11/windows/gtk_form_window.h"
#include "platform/x11/windows/x11_window.h"

namespace platform::x11 {

namespace {

// Whether a window manager runs and says it answers a request for the frame
// it will draw (kwin, weston and sway, for one, do not).
bool WindowManagerAnswersFrameRequests(Display& display) {
  WindowManagerCheck check(display);
  check.Ask();
  const auto supported = xcb_ewmh_get_supported_unchecked(&display.Ewmh(), 0);
  const bool window_manager_runs = check.Answer();
  xcb_ewmh_get_atoms_reply_t names{};
  if (xcb_ewmh_get_supported_reply(&display.Ewmh(), supported, &names, nullptr) == 0) {
    return false;
  }
  const bool listed = std::ranges::count(std::span(names.atoms, names.atoms_len),
                                         display.Ewmh()._NET_REQUEST_FRAME_EXTENTS) > 0;
  xcb_ewmh_get_atoms_reply_wipe(&names);
  return window_manager_runs && listed;
}

// Text and pictures come from GTK's widgets; plain rectangles, such as the
// lamps, the program draws itself.
bool ShowsTextOrPictures(const FormDesign& design) {
  return std::ranges::any_of(design.controls, [](const ControlDesign& control) {
    return !control.caption.empty() || !control.picture.empty();
  });
}

// The event window of the events that are for one of the program's windows;
// XCB_NONE for the rest.
xcb_window_t EventWindow(const xcb_generic_event_t& event) {
  switch (event.response_type & 0x7F) {
    case XCB_EXPOSE:
      return reinterpret_cast<const xcb_expose_event_t&>(event).window;
    case XCB_CONFIGURE_NOTIFY:
      return reinterpret_cast<const xcb_configure_notify_event_t&>(event).window;
    case XCB_REPARENT_NOTIFY:
      return reinterpret_cast<const xcb_reparent_notify_event_t&>(event).window;
    case XCB_MAP_NOTIFY:
      return reinterpret_cast<const xcb_map_notify_event_t&>(event).window;
    case XCB_PROPERTY_NOTIFY:
      return reinterpret_cast<const xcb_property_notify_event_t&>(event).window;
    case XCB_BUTTON_PRESS:
    case XCB_BUTTON_RELEASE:
    case XCB_MOTION_NOTIFY:
    case XCB_ENTER_NOTIFY:
    case XCB_LEAVE_NOTIFY:
    case XCB_KEY_PRESS:
      // Input events all carry the event window at the same place.
      return reinterpret_cast<const xcb_key_press_event_t&>(event).event;
    default:
      return XCB_NONE;
  }
}

}  // namespace

X11Backend::X11Backend(Display& display)
    : display_(display),
      frame_extents_requests_answered_(WindowManagerAnswersFrameRequests(display)),
      loop_(display.Connection(), *this),
      desktop_settings_(display) {
  stacking_ = std::make_unique<X11Stacking>(display_, [this](xcb_window_t id) {
    const HostedWindow* window = WindowFor(id);
    return window != nullptr && window->Id() == id ? std::optional(window->Shown()) : std::nullopt;
  });
  if (OnWaylandThroughXwayland(display_)) {
    keys_ = std::make_unique<WaylandKeys>(display_, loop_);
  } else {
    keys_ = std::make_unique<X11Keys>(display_);
  }
}

X11Backend::~X11Backend() = default;

WindowStacking& X11Backend::Stacking() {
  return *stacking_;
}

KeyInjector& X11Backend::Keys() {
  return *keys_;
}

double X11Backend::TwipsPerPixel() const {
  return platform::TwipsPerPixel(display_.DotsPerInch());
}

// steady_clock is CLOCK_MONOTONIC on Linux, so due times go to the timerfd as
// they are.
TimePoint X11Backend::Now() {
  return std::chrono::duration_cast<TimePoint>(std::chrono::steady_clock::now().time_since_epoch());
}

// ---- windows -------------------------------------------------------------------

std::unique_ptr<NativeWindow> X11Backend::CreateNativeWindow(const FormDesign& design,
                                                             WindowEvents& events) {
  // A window made after a quit request means the program goes on.
  quit_requested_ = false;
  auto& host = static_cast<WindowHost&>(*this);
  if (ShowsTextOrPictures(design)) {
    if (std::unique_ptr<gtk_about::GtkForm> form = MakeGtkForm(design, events)) {
      return std::make_unique<GtkFormWindow>(host, design, events, std::move(form));
    }
  }
  return std::make_unique<X11Window>(host, design, events);
}

std::unique_ptr<gtk_about::GtkForm> X11Backend::MakeGtkForm(const FormDesign& design,
                                                            WindowEvents& events) {
  const bool loaded_before = gtk_.Loaded();
  std::unique_ptr<gtk_about::GtkForm> form =
      gtk_.MakeForm(design, events, platform::TwipsPerPixel(display_.DotsPerInch()), [this] {
        // The timers due meanwhile, as the modal show delivers them, and
        // what they changed on screen now rather than after the window.
        if (OnWake) {
          OnWake();
        }
        xcb_flush(display_.Connection());
      });
  if (gtk_.Loaded() && !loaded_before) {
    loop_.DriveGlibMainContext();
  }
  return form;
}

void X11Backend::Register(HostedWindow* window) {
  windows_.push_back(window);
}

void X11Backend::Unregister(HostedWindow* window) {
  std::erase(windows_, window);
  modal_.Remove(window);
}

HostedWindow* X11Backend::WindowFor(xcb_window_t id) const {
  for (HostedWindow* window : windows_) {
    if (window->Owns(id)) {
      return window;
    }
  }
  return nullptr;
}

// ---- the loops -----------------------------------------------------------------

void X11Backend::RunEventLoop() {
  while (!quit_requested_ && !lost_display_) {
    loop_.WaitAndDispatch();
  }
}

// While a modal window is open (see ModalStack), events and timers go on.
void X11Backend::RunModalLoop(const std::function<bool()>& finished) {
  while (!finished() && !quit_requested_ && !lost_display_) {
    loop_.WaitAndDispatch();
  }
}

void X11Backend::OnEvent(const xcb_generic_event_t& event) {
  const Atoms& atoms = display_.Atom();
  if (stacking_) {
    stacking_->OnEvent(event);  // states of the program's windows, the window manager's going
  }
  switch (event.response_type & 0x7F) {
    case XCB_BUTTON_PRESS:
    case XCB_BUTTON_RELEASE:
    case XCB_KEY_PRESS:
      last_input_time_ = reinterpret_cast<const xcb_button_press_event_t&>(event).time;
      break;
    case XCB_LEAVE_NOTIFY:
      // A window manager's grab of a press: at times all that shows of it
      // (see X11Control::OnPointerLeave), and the window manager has taken
      // it as the user's latest action.
      if (const auto& leave = reinterpret_cast<const xcb_leave_notify_event_t&>(event);
          leave.mode == XCB_NOTIFY_MODE_GRAB) {
        last_input_time_ = leave.time;
      }
      break;
    case 0:
      return;  // errors of requests nobody waits for: windows of others that went
    case XCB_CLIENT_MESSAGE: {
      if (desktop_settings_.OnEvent(event)) {
        return;
      }
      const auto& message = reinterpret_cast<const xcb_client_message_event_t&>(event);
      // The close box or the window manager's close, for the main window too
      // while the About window is open: closing it unloads that one first.
      if (message.format == 32 && message.type == atoms.wm_protocols &&
          message.data.data32[0] == atoms.wm_delete_window) {
        if (HostedWindow* window = WindowFor(message.window)) {
          window->CloseRequested();
        }
      }
      return;
    }
    default:
      break;
  }
  // Anything else is for one of the windows, or for nobody.
  if (const xcb_window_t target = EventWindow(event); target != XCB_NONE) {
    if (HostedWindow* window = WindowFor(target)) {
      window->HandleEvent(event);
      return;
    }
  }
  desktop_settings_.OnEvent(event);
}

void X11Backend::OnTimersDue() {
  if (OnWake) {
    OnWake();
  }
}

// Newest first, so an open About window closes (and saves) before the main
// window, whose close then ends the program.
void X11Backend::OnSessionEnd() {
  const std::vector<HostedWindow*> open(windows_.rbegin(), windows_.rend());
  for (HostedWindow* window : open) {
    if (std::ranges::find(windows_, window) != windows_.end()) {
      window->CloseRequested();
    }
  }
}

void X11Backend::OnConnectionLost() {
  if (!lost_display_) {
    std::fprintf(stderr,
                 "brellock-varn-on: lost the connection to the X display; this program "
                 "needs X11\n");
  }
  lost_display_ = true;
  quit_requested_ = true;
}

}  // namespace platform::x11
