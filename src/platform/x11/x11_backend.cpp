#include "platform/x11/x11_backend.h"

#include <dlfcn.h>
#include <poll.h>
#include <sys/signalfd.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <span>

#include "platform/twips.h"
#include "platform/x11/control_art.h"
#include "platform/x11/x11_desktop.h"
#include "platform/x11/x11_window.h"

namespace platform::x11 {

namespace {

constexpr int kSessionSignals[] = {SIGTERM, SIGINT, SIGHUP};
// A window manager that says it answers does so within a millisecond or two;
// one that is busy starting up gets this long before the window maps anyway.
constexpr auto kFrameExtentsWait = std::chrono::milliseconds(100);
constexpr const char* kArtModule = "brellock-varn-on-controls.so";

// The ends of a session arrive as readable bytes on a signalfd, so the close
// runs in the event loop like any other event.
int SessionSignalFd() {
  sigset_t signals;
  sigemptyset(&signals);
  for (const int signal_number : kSessionSignals) {
    sigaddset(&signals, signal_number);
  }
  if (sigprocmask(SIG_BLOCK, &signals, nullptr) != 0) {
    return -1;
  }
  return signalfd(-1, &signals, SFD_NONBLOCK | SFD_CLOEXEC);
}

// Next to the program in a build, or in its library folder once installed.
std::vector<std::string> ArtModulePlaces() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) {
    return {kArtModule};
  }
  const std::filesystem::path folder = program.parent_path();
  return {(folder / kArtModule).string(),
          (folder.parent_path() / "lib" / "brellock-varn-on" / kArtModule).string()};
}

bool IsPropertyNotify(const xcb_generic_event_t* event, xcb_window_t window, xcb_atom_t atom) {
  if ((event->response_type & 0x7F) != XCB_PROPERTY_NOTIFY) {
    return false;
  }
  const auto* property = reinterpret_cast<const xcb_property_notify_event_t*>(event);
  return property->window == window && property->atom == atom;
}

}  // namespace

X11Backend::X11Backend(Display& display)
    : display_(display),
      key_symbols_(xcb_key_symbols_alloc(display.Connection()), xcb_key_symbols_free) {
  xcb_connection_t* c = Connection();
  timer_fd_ = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
  signal_fd_ = SessionSignalFd();

  // Which window manager runs, and whether it says it answers a request for
  // the frame it will draw (kwin, weston and sway, for one, do not).
  WindowManagerCheck check(display_);
  check.Ask();
  const auto supported = xcb_ewmh_get_supported_unchecked(&display_.Ewmh(), 0);
  window_manager_runs_ = check.Answer();
  xcb_ewmh_get_atoms_reply_t names{};
  if (xcb_ewmh_get_supported_reply(&display_.Ewmh(), supported, &names, nullptr) != 0) {
    frame_extents_requests_answered_ =
        window_manager_runs_ && std::ranges::count(std::span(names.atoms, names.atoms_len),
                                                   display_.Ewmh()._NET_REQUEST_FRAME_EXTENTS) > 0;
    xcb_ewmh_get_atoms_reply_wipe(&names);
  }

  // A window of its own holds the selections, so that text copied from the
  // About window can still be pasted after it has closed.
  selection_owner_ = OwnedWindow(c, xcb_generate_id(c));
  const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
  xcb_create_window(c, XCB_COPY_FROM_PARENT, selection_owner_.Id(), display_.Root(), -1, -1, 1, 1,
                    0, XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                    &events);

  stacking_ = std::make_unique<X11Stacking>(display_, [this](xcb_window_t id) {
    const X11Window* window = WindowFor(id);
    return window != nullptr && window->Id() == id ? std::optional(window->Shown()) : std::nullopt;
  });
  keys_ = std::make_unique<X11Keys>(display_);
}

X11Backend::~X11Backend() {
  for (xcb_generic_event_t* event : deferred_) {
    std::free(event);
  }
  art_.reset();
  if (timer_fd_ >= 0) {
    close(timer_fd_);
  }
  if (signal_fd_ >= 0) {
    close(signal_fd_);
  }
}

WindowStacking& X11Backend::Stacking() {
  return *stacking_;
}

KeyInjector& X11Backend::Keys() {
  return *keys_;
}

double X11Backend::TwipsPerPixel() const {
  return platform::TwipsPerPixel(display_.DotsPerInch());
}

// ---- time ----------------------------------------------------------------------

// steady_clock is CLOCK_MONOTONIC on Linux, so due times go to the timerfd as
// they are.
TimePoint X11Backend::Now() {
  return std::chrono::duration_cast<TimePoint>(std::chrono::steady_clock::now().time_since_epoch());
}

void X11Backend::RequestWake(std::optional<TimePoint> when) {
  if (when == wake_at_) {
    return;
  }
  wake_at_ = when;
  itimerspec due{};
  if (wake_at_) {
    // An all-zero time would disarm the timer; a moment already past fires
    // at once.
    const std::int64_t nanoseconds = std::max<std::int64_t>(1, wake_at_->count());
    due.it_value.tv_sec = static_cast<time_t>(nanoseconds / 1'000'000'000);
    due.it_value.tv_nsec = static_cast<long>(nanoseconds % 1'000'000'000);
  }
  timerfd_settime(timer_fd_, TFD_TIMER_ABSTIME, &due, nullptr);
}

// ---- windows -------------------------------------------------------------------

std::unique_ptr<NativeWindow> X11Backend::CreateNativeWindow(const FormDesign& design,
                                                             WindowEvents& events) {
  // A window made after a quit request means the program goes on.
  quit_requested_ = false;
  return std::make_unique<X11Window>(*this, design, events);
}

void X11Backend::Register(X11Window* window) {
  windows_.push_back(window);
}

void X11Backend::Unregister(X11Window* window) {
  std::erase(windows_, window);
  std::erase(modal_, window);
}

void X11Backend::BeginModal(X11Window* window) {
  modal_.push_back(window);
}

bool X11Backend::TakesInput(const X11Window* window) const {
  return modal_.empty() || modal_.back() == window;
}

X11Window* X11Backend::WindowFor(xcb_window_t id) const {
  for (X11Window* window : windows_) {
    if (window->Owns(id)) {
      return window;
    }
  }
  return nullptr;
}

ControlArt* X11Backend::Art() {
  if (art_tried_) {
    return art_.get();
  }
  art_tried_ = true;
  std::string why = "not found";
  for (const std::string& place : ArtModulePlaces()) {
    // Never unloaded: the text libraries register types that cannot go.
    art_module_ = dlopen(place.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (art_module_ != nullptr) {
      break;
    }
    why = dlerror();
  }
  using Make = ControlArt* (*)(xcb_connection_t*, xcb_visualtype_t*, double);
  const auto make = art_module_ != nullptr
                        ? reinterpret_cast<Make>(dlsym(art_module_, "varn_make_control_art"))
                        : nullptr;
  if (make == nullptr) {
    std::fprintf(stderr, "brellock-varn-on: cannot draw text and pictures: %s\n", why.c_str());
    return nullptr;
  }
  xcb_visualtype_t* visual = nullptr;
  for (auto depths = xcb_screen_allowed_depths_iterator(&display_.Screen()); depths.rem > 0;
       xcb_depth_next(&depths)) {
    for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem > 0;
         xcb_visualtype_next(&visuals)) {
      if (visuals.data->visual_id == display_.Screen().root_visual) {
        visual = visuals.data;
      }
    }
  }
  art_.reset(make(Connection(), visual, display_.DotsPerInch()));
  return art_.get();
}

xcb_keysym_t X11Backend::KeySym(const xcb_key_press_event_t& event) {
  if (!key_symbols_) {
    return XCB_NO_SYMBOL;
  }
  // Column 1 is the shifted symbol: Shift+Tab is ISO_Left_Tab.
  const int column = (event.state & XCB_MOD_MASK_SHIFT) != 0 ? 1 : 0;
  xcb_keysym_t symbol = xcb_key_symbols_get_keysym(key_symbols_.get(), event.detail, column);
  if (symbol == XCB_NO_SYMBOL) {
    symbol = xcb_key_symbols_get_keysym(key_symbols_.get(), event.detail, 0);
  }
  return symbol;
}

std::optional<FrameExtents> X11Backend::AwaitFrameExtents(xcb_window_t window) {
  xcb_connection_t* c = Connection();
  const xcb_atom_t extents = display_.Ewmh()._NET_FRAME_EXTENTS;
  const auto read = [&]() -> std::optional<FrameExtents> {
    xcb_ewmh_get_extents_reply_t reply{};
    if (xcb_ewmh_get_frame_extents_reply(
            &display_.Ewmh(), xcb_ewmh_get_frame_extents_unchecked(&display_.Ewmh(), window),
            &reply, nullptr) == 0) {
      return std::nullopt;
    }
    return FrameExtents{static_cast<int>(reply.left), static_cast<int>(reply.right),
                        static_cast<int>(reply.top), static_cast<int>(reply.bottom)};
  };
  if (auto known = read()) {
    return known;
  }
  const auto end = std::chrono::steady_clock::now() + kFrameExtentsWait;
  while (std::chrono::steady_clock::now() < end && xcb_connection_has_error(c) == 0) {
    while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
      const bool answer = IsPropertyNotify(event, window, extents);
      deferred_.push_back(event);
      if (answer) {
        return read();
      }
    }
    pollfd connection{xcb_get_file_descriptor(c), POLLIN, 0};
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        end - std::chrono::steady_clock::now());
    poll(&connection, 1, static_cast<int>(std::max<std::int64_t>(1, left.count())));
  }
  return std::nullopt;
}

// ---- selections ----------------------------------------------------------------

void X11Backend::OwnSelection(xcb_atom_t selection, std::string text, xcb_timestamp_t time) {
  (selection == XCB_ATOM_PRIMARY ? primary_text_ : clipboard_text_) = std::move(text);
  xcb_set_selection_owner(Connection(), selection_owner_.Id(), selection, time);
}

// ICCCM: the text as UTF8_STRING, STRING or TEXT, or the list of targets;
// anything else is refused. Old clients that name no property get the target.
void X11Backend::OnSelectionRequest(const xcb_selection_request_event_t& request) {
  xcb_connection_t* c = Connection();
  const Atoms& atoms = display_.Atom();
  const std::string& text = request.selection == XCB_ATOM_PRIMARY ? primary_text_ : clipboard_text_;
  const xcb_atom_t property = request.property != XCB_NONE ? request.property : request.target;
  xcb_selection_notify_event_t notify{};
  notify.response_type = XCB_SELECTION_NOTIFY;
  notify.time = request.time;
  notify.requestor = request.requestor;
  notify.selection = request.selection;
  notify.target = request.target;
  notify.property = property;
  if (request.target == atoms.targets) {
    const xcb_atom_t targets[] = {atoms.targets, atoms.utf8_string, XCB_ATOM_STRING, atoms.text};
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, request.requestor, property, XCB_ATOM_ATOM, 32, 4,
                        targets);
  } else if (request.target == atoms.utf8_string || request.target == XCB_ATOM_STRING ||
             request.target == atoms.text) {
    // The text is plain ASCII, which is also Latin-1.
    const xcb_atom_t type = request.target == atoms.text ? atoms.utf8_string : request.target;
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, request.requestor, property, type, 8,
                        static_cast<std::uint32_t>(text.size()), text.data());
  } else {
    notify.property = XCB_NONE;
  }
  xcb_send_event(c, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT,
                 reinterpret_cast<const char*>(&notify));
}

// ---- the loop ------------------------------------------------------------------

void X11Backend::RunEventLoop() {
  while (!quit_requested_ && !lost_display_) {
    WaitAndDispatch();
  }
}

void X11Backend::QuitEventLoop() {
  quit_requested_ = true;
}

void X11Backend::RunModalLoop(const std::function<bool()>& finished) {
  while (!finished() && !quit_requested_ && !lost_display_) {
    WaitAndDispatch();
  }
}

// Handles what is already here, else waits for the next thing to happen:
// an X event, a timer due, or a signal ending the session.
void X11Backend::WaitAndDispatch() {
  xcb_connection_t* c = Connection();
  if (!deferred_.empty()) {
    xcb_generic_event_t* event = deferred_.front();
    deferred_.erase(deferred_.begin());
    Dispatch(*event);
    std::free(event);
    return;
  }
  if (xcb_generic_event_t* event = xcb_poll_for_queued_event(c)) {
    Dispatch(*event);
    std::free(event);
    return;
  }
  xcb_flush(c);
  if (xcb_connection_has_error(c) != 0) {
    ConnectionLost();
    return;
  }
  pollfd watched[] = {
      {xcb_get_file_descriptor(c), POLLIN, 0}, {timer_fd_, POLLIN, 0}, {signal_fd_, POLLIN, 0}};
  if (poll(watched, signal_fd_ >= 0 ? 3 : 2, -1) <= 0) {
    return;  // interrupted: look again
  }
  if ((watched[1].revents & POLLIN) != 0) {
    std::uint64_t expirations = 0;
    if (read(timer_fd_, &expirations, sizeof expirations) == sizeof expirations && wake_at_) {
      wake_at_.reset();
      if (OnWake) {
        OnWake();
      }
    }
  }
  if (signal_fd_ >= 0 && (watched[2].revents & POLLIN) != 0) {
    signalfd_siginfo received{};
    while (read(signal_fd_, &received, sizeof received) == sizeof received) {
    }
    CloseAllWindows();
  }
  if (watched[0].revents != 0) {
    if (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
      Dispatch(*event);
      std::free(event);
    } else if (xcb_connection_has_error(c) != 0) {
      ConnectionLost();
    }
  }
}

void X11Backend::Dispatch(const xcb_generic_event_t& event) {
  const Atoms& atoms = display_.Atom();
  xcb_window_t target = XCB_NONE;
  switch (event.response_type & 0x7F) {
    case 0:
      return;  // errors of requests nobody waits for: windows of others that went
    case XCB_SELECTION_REQUEST:
      OnSelectionRequest(reinterpret_cast<const xcb_selection_request_event_t&>(event));
      return;
    case XCB_SELECTION_CLEAR:
      return;  // another program owns it now; ours is simply no longer offered
    case XCB_MAPPING_NOTIFY: {
      auto& mapping = const_cast<xcb_mapping_notify_event_t&>(
          reinterpret_cast<const xcb_mapping_notify_event_t&>(event));
      xcb_refresh_keyboard_mapping(key_symbols_.get(), &mapping);
      return;
    }
    case XCB_CLIENT_MESSAGE: {
      const auto& message = reinterpret_cast<const xcb_client_message_event_t&>(event);
      // The close box or the window manager's close, for the main window too
      // while the About window is open: closing it unloads that one first.
      if (message.format == 32 && message.type == atoms.wm_protocols &&
          message.data.data32[0] == atoms.wm_delete_window) {
        if (X11Window* window = WindowFor(message.window)) {
          window->CloseRequested();
        }
      }
      return;
    }
    case XCB_EXPOSE:
      target = reinterpret_cast<const xcb_expose_event_t&>(event).window;
      break;
    case XCB_CONFIGURE_NOTIFY:
      target = reinterpret_cast<const xcb_configure_notify_event_t&>(event).window;
      break;
    case XCB_REPARENT_NOTIFY:
      target = reinterpret_cast<const xcb_reparent_notify_event_t&>(event).window;
      break;
    case XCB_MAP_NOTIFY:
      target = reinterpret_cast<const xcb_map_notify_event_t&>(event).window;
      break;
    case XCB_PROPERTY_NOTIFY:
      target = reinterpret_cast<const xcb_property_notify_event_t&>(event).window;
      break;
    case XCB_BUTTON_PRESS:
    case XCB_BUTTON_RELEASE:
    case XCB_MOTION_NOTIFY:
    case XCB_KEY_PRESS:
      // Input events all carry the event window at the same place.
      target = reinterpret_cast<const xcb_key_press_event_t&>(event).event;
      break;
    default:
      return;
  }
  if (X11Window* window = WindowFor(target)) {
    window->HandleEvent(event);
  }
}

// Newest first, so an open About window closes (and saves) before the main
// window, whose close then ends the program.
void X11Backend::CloseAllWindows() {
  const std::vector<X11Window*> open(windows_.rbegin(), windows_.rend());
  for (X11Window* window : open) {
    if (std::ranges::find(windows_, window) != windows_.end()) {
      window->CloseRequested();
    }
  }
}

void X11Backend::ConnectionLost() {
  if (!lost_display_) {
    std::fprintf(stderr,
                 "brellock-varn-on: lost the connection to the X display; this program "
                 "needs X11\n");
  }
  lost_display_ = true;
  quit_requested_ = true;
}

}  // namespace platform::x11
