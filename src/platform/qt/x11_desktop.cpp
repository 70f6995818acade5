#include "platform/qt/x11_desktop.h"

#include <xcb/xtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace platform::qt {
namespace {

struct FreeDeleter {
  void operator()(void* pointer) const { std::free(pointer); }
};
template <typename Reply>
using ReplyPtr = std::unique_ptr<Reply, FreeDeleter>;

// Errors about these requests come back with the reply and are dropped here:
// the windows we ask about belong to other programs and may vanish at any
// moment, which is no fault worth a word.
ReplyPtr<xcb_get_property_reply_t> TakeProperty(xcb_connection_t* connection,
                                                xcb_get_property_cookie_t cookie) {
  xcb_generic_error_t* error = nullptr;
  ReplyPtr<xcb_get_property_reply_t> reply(xcb_get_property_reply(connection, cookie, &error));
  std::free(error);
  return reply;
}

xcb_get_property_cookie_t AskProperty(xcb_connection_t* connection, xcb_window_t window,
                                      xcb_atom_t property, xcb_atom_t type, std::uint32_t longs) {
  return xcb_get_property(connection, 0, window, property, type, 0, longs);
}

// The first 32-bit value of a property of the given type, if it has one.
std::optional<std::uint32_t> FirstValue(const xcb_get_property_reply_t* reply, xcb_atom_t type) {
  if (reply == nullptr || reply->type != type || reply->format != 32 ||
      xcb_get_property_value_length(reply) < 4) {
    return std::nullopt;
  }
  return *static_cast<const std::uint32_t*>(xcb_get_property_value(reply));
}

// For requests with no reply we don't want to hear about: a vanished window
// must not reach the event loop as an X error.
void Discard(xcb_connection_t* connection, xcb_void_cookie_t cookie) {
  xcb_discard_reply(connection, cookie.sequence);
}

xcb_window_t DefaultRoot(xcb_connection_t* connection) {
  int screen_number = 0;
  char* host = nullptr;
  int display = 0;
  if (xcb_parse_display(nullptr, &host, &display, &screen_number) == 0) {
    screen_number = 0;
  }
  std::free(host);
  const xcb_setup_t* setup = xcb_get_setup(connection);
  xcb_screen_iterator_t screens = xcb_setup_roots_iterator(setup);
  xcb_window_t first = XCB_NONE;
  for (int index = 0; screens.rem > 0; ++index, xcb_screen_next(&screens)) {
    if (first == XCB_NONE) {
      first = screens.data->root;
    }
    if (index == screen_number) {
      return screens.data->root;
    }
  }
  return first;
}

bool Broken(xcb_connection_t* connection) {
  return connection == nullptr || xcb_connection_has_error(connection) != 0;
}

// EWMH client-message actions and source indication. We act for the user on
// other programs' windows the way a pager does, so we say so.
constexpr std::uint32_t kStateRemove = 0;
constexpr std::uint32_t kStateAdd = 1;
constexpr std::uint32_t kSourcePager = 2;
constexpr std::uint32_t kWithdrawnState = 0;  // ICCCM WM_STATE

}  // namespace

// ---- X11Stacking ---------------------------------------------------------------

X11Stacking::X11Stacking(xcb_connection_t* connection) : connection_(connection) {
  if (Broken(connection_)) {
    return;
  }
  root_ = DefaultRoot(connection_);
  constexpr std::array<const char*, 5> kNames = {"_NET_SUPPORTING_WM_CHECK", "_NET_ACTIVE_WINDOW",
                                                 "WM_STATE", "_NET_WM_STATE",
                                                 "_NET_WM_STATE_ABOVE"};
  std::array<xcb_intern_atom_cookie_t, kNames.size()> cookies{};
  for (std::size_t i = 0; i < kNames.size(); ++i) {
    cookies[i] = xcb_intern_atom(connection_, 0, static_cast<std::uint16_t>(std::strlen(kNames[i])),
                                 kNames[i]);
  }
  std::array<xcb_atom_t*, kNames.size()> targets = {
      &supporting_wm_check_, &active_window_, &wm_state_, &net_wm_state_, &net_wm_state_above_};
  for (std::size_t i = 0; i < kNames.size(); ++i) {
    xcb_generic_error_t* error = nullptr;
    ReplyPtr<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(connection_, cookies[i], &error));
    std::free(error);
    *targets[i] = reply ? reply->atom : XCB_NONE;
  }
}

bool X11Stacking::Usable() const {
  return !Broken(connection_) && root_ != XCB_NONE && net_wm_state_above_ != XCB_NONE;
}

// A window manager that follows EWMH names a check window on the root and
// names the same window on that window itself; a stale root property left by
// a window manager that died points at a window that is gone or says nothing.
bool X11Stacking::ResolveWindowManager(xcb_get_property_cookie_t root_check,
                                       std::optional<xcb_get_property_cookie_t> cached_check) {
  const auto named = FirstValue(TakeProperty(connection_, root_check).get(), XCB_ATOM_WINDOW);
  std::optional<std::uint32_t> confirmed;
  if (cached_check) {
    confirmed = FirstValue(TakeProperty(connection_, *cached_check).get(), XCB_ATOM_WINDOW);
  }
  if (!named || *named == XCB_NONE) {
    wm_check_window_ = XCB_NONE;
    return false;
  }
  if (!cached_check || *named != wm_check_window_) {
    confirmed = FirstValue(
        TakeProperty(connection_,
                     AskProperty(connection_, *named, supporting_wm_check_, XCB_ATOM_WINDOW, 1))
            .get(),
        XCB_ATOM_WINDOW);
  }
  const bool running = confirmed && *confirmed == *named;
  wm_check_window_ = running ? *named : XCB_NONE;
  return running;
}

platform::WindowHandle X11Stacking::GetForegroundWindow() {
  if (!Usable()) {
    return 0;
  }
  // All questions go out together, so this costs one round trip while the
  // same window manager keeps running.
  const auto root_check = AskProperty(connection_, root_, supporting_wm_check_, XCB_ATOM_WINDOW, 1);
  std::optional<xcb_get_property_cookie_t> cached_check;
  if (wm_check_window_ != XCB_NONE) {
    cached_check =
        AskProperty(connection_, wm_check_window_, supporting_wm_check_, XCB_ATOM_WINDOW, 1);
  }
  const auto active = AskProperty(connection_, root_, active_window_, XCB_ATOM_WINDOW, 1);
  const bool managed = ResolveWindowManager(root_check, cached_check);
  const auto window = FirstValue(TakeProperty(connection_, active).get(), XCB_ATOM_WINDOW);
  if (!managed || !window) {
    return 0;
  }
  return *window;
}

void X11Stacking::SetWindowPos(platform::WindowHandle window, std::intptr_t insert_after, int, int,
                               int, int, unsigned) {
  const bool above = insert_after == platform::HWND_TOPMOST;
  if (window == 0 || window > UINT32_MAX || !Usable() ||
      (!above && insert_after != platform::HWND_NOTOPMOST)) {
    return;
  }
  const auto target = static_cast<xcb_window_t>(window);
  const auto root_check = AskProperty(connection_, root_, supporting_wm_check_, XCB_ATOM_WINDOW, 1);
  std::optional<xcb_get_property_cookie_t> cached_check;
  if (wm_check_window_ != XCB_NONE) {
    cached_check =
        AskProperty(connection_, wm_check_window_, supporting_wm_check_, XCB_ATOM_WINDOW, 1);
  }
  // WM_STATE tells a managed window from a withdrawn one, and its error tells
  // us the window is already gone; _NET_WM_STATE is needed for the withdrawn.
  const auto icccm_state = AskProperty(connection_, target, wm_state_, wm_state_, 1);
  const auto net_state = AskProperty(connection_, target, net_wm_state_, XCB_ATOM_ATOM, 64);

  const bool managed = ResolveWindowManager(root_check, cached_check);
  xcb_generic_error_t* error = nullptr;
  ReplyPtr<xcb_get_property_reply_t> state(
      xcb_get_property_reply(connection_, icccm_state, &error));
  const bool gone = error != nullptr;
  std::free(error);
  auto net_state_reply = TakeProperty(connection_, net_state);
  if (gone) {
    return;
  }

  if (managed) {
    const auto icccm = FirstValue(state.get(), wm_state_);
    if (!icccm || *icccm == kWithdrawnState) {
      EditUnmappedState(target, net_state_reply.get(), above);
    } else {
      AskWindowManager(target, above);
    }
  } else if (above) {
    RaiseWithoutWindowManager(target);
  }
  xcb_flush(connection_);
}

void X11Stacking::AskWindowManager(xcb_window_t window, bool above) {
  xcb_client_message_event_t message{};
  message.response_type = XCB_CLIENT_MESSAGE;
  message.format = 32;
  message.window = window;
  message.type = net_wm_state_;
  message.data.data32[0] = above ? kStateAdd : kStateRemove;
  message.data.data32[1] = net_wm_state_above_;
  message.data.data32[2] = 0;
  message.data.data32[3] = kSourcePager;
  xcb_send_event(connection_, 0, root_,
                 XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&message));
}

// A window manager only reads _NET_WM_STATE when it takes a window on, so a
// window not yet mapped gets the property itself, as its owner would set it.
void X11Stacking::EditUnmappedState(xcb_window_t window, xcb_get_property_reply_t* state,
                                    bool above) {
  std::vector<xcb_atom_t> atoms;
  if (state != nullptr && state->type == XCB_ATOM_ATOM && state->format == 32) {
    const auto* values = static_cast<const xcb_atom_t*>(xcb_get_property_value(state));
    atoms.assign(values, values + xcb_get_property_value_length(state) / 4);
  }
  const bool has_above = std::find(atoms.begin(), atoms.end(), net_wm_state_above_) != atoms.end();
  if (has_above == above) {
    return;
  }
  if (above) {
    atoms.push_back(net_wm_state_above_);
  } else {
    std::erase(atoms, net_wm_state_above_);
  }
  Discard(connection_, xcb_change_property_checked(
                           connection_, XCB_PROP_MODE_REPLACE, window, net_wm_state_, XCB_ATOM_ATOM,
                           32, static_cast<std::uint32_t>(atoms.size()), atoms.data()));
}

// With no window manager there is no always-on-top band; raising the window
// to the top of the stack is the nearest we can do, and there is nothing to
// demote from.
void X11Stacking::RaiseWithoutWindowManager(xcb_window_t window) {
  const std::uint32_t mode = XCB_STACK_MODE_ABOVE;
  Discard(connection_,
          xcb_configure_window_checked(connection_, window, XCB_CONFIG_WINDOW_STACK_MODE, &mode));
}

// ---- X11Keys -------------------------------------------------------------------

namespace {

constexpr xcb_keysym_t kNumLockKeysym = 0xff7f;  // XK_Num_Lock

void Warn(const char* why) {
  std::fprintf(stderr, "brellock-varn-on: cannot press Num Lock here: %s\n", why);
}

xcb_keycode_t FindNumLock(xcb_connection_t* connection) {
  const xcb_setup_t* setup = xcb_get_setup(connection);
  const xcb_keycode_t first = setup->min_keycode;
  const auto count = static_cast<std::uint8_t>(setup->max_keycode - setup->min_keycode + 1);
  xcb_generic_error_t* error = nullptr;
  ReplyPtr<xcb_get_keyboard_mapping_reply_t> mapping(xcb_get_keyboard_mapping_reply(
      connection, xcb_get_keyboard_mapping(connection, first, count), &error));
  std::free(error);
  if (!mapping || mapping->keysyms_per_keycode == 0) {
    return 0;
  }
  const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(mapping.get());
  const int length = xcb_get_keyboard_mapping_keysyms_length(mapping.get());
  for (int i = 0; i < length; ++i) {
    if (keysyms[i] == kNumLockKeysym) {
      return static_cast<xcb_keycode_t>(first + i / mapping->keysyms_per_keycode);
    }
  }
  return 0;
}

}  // namespace

X11Keys::X11Keys(xcb_connection_t* connection) : connection_(connection) {
  if (Broken(connection_)) {
    Warn("no working connection to an X display");
    return;
  }
  const xcb_query_extension_reply_t* xtest = xcb_get_extension_data(connection_, &xcb_test_id);
  if (xtest == nullptr || xtest->present == 0) {
    Warn("the X server has no XTEST extension");
    return;
  }
  num_lock_ = FindNumLock(connection_);
  if (num_lock_ == 0) {
    Warn("no key on this keyboard map is Num_Lock");
  }
}

void X11Keys::PressNumLock() {
  if (num_lock_ == 0 || Broken(connection_)) {
    return;
  }
  Discard(connection_, xcb_test_fake_input_checked(connection_, XCB_KEY_PRESS, num_lock_,
                                                   XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0));
  Discard(connection_, xcb_test_fake_input_checked(connection_, XCB_KEY_RELEASE, num_lock_,
                                                   XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0));
  xcb_flush(connection_);
}

}  // namespace platform::qt
