#include "xcb_window_hints.h"

#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace platform::qt {

namespace {

struct FreeReply {
  void operator()(void* reply) const { std::free(reply); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeReply>;

xcb_window_t RootOf(xcb_connection_t* connection) {
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
  return screen != nullptr ? screen->root : XCB_NONE;
}

}  // namespace

xcb_atom_t InternAtom(xcb_connection_t* connection, const char* name) {
  const xcb_intern_atom_cookie_t cookie =
      xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
  Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(connection, cookie, nullptr));
  return reply ? reply->atom : XCB_NONE;
}

void MarkUtilityWithoutTaskbar(xcb_connection_t* connection, xcb_window_t window) {
  const xcb_atom_t window_type = InternAtom(connection, "_NET_WM_WINDOW_TYPE");
  const xcb_atom_t utility = InternAtom(connection, "_NET_WM_WINDOW_TYPE_UTILITY");
  const xcb_atom_t state = InternAtom(connection, "_NET_WM_STATE");
  const xcb_atom_t skip_taskbar = InternAtom(connection, "_NET_WM_STATE_SKIP_TASKBAR");
  if (window_type == XCB_NONE || state == XCB_NONE) {
    return;
  }
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, window_type, XCB_ATOM_ATOM, 32, 1,
                      &utility);
  // EWMH lets a client set _NET_WM_STATE itself only while the window is
  // withdrawn; that is the case here.
  xcb_change_property(connection, XCB_PROP_MODE_APPEND, window, state, XCB_ATOM_ATOM, 32, 1,
                      &skip_taskbar);
  xcb_flush(connection);
}

void RequestFrameExtents(xcb_connection_t* connection, xcb_window_t window) {
  const xcb_atom_t request = InternAtom(connection, "_NET_REQUEST_FRAME_EXTENTS");
  const xcb_window_t root = RootOf(connection);
  if (request == XCB_NONE || root == XCB_NONE) {
    return;
  }
  xcb_client_message_event_t message{};
  message.response_type = XCB_CLIENT_MESSAGE;
  message.format = 32;
  message.window = window;
  message.type = request;
  xcb_send_event(connection, 0, root,
                 XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                 reinterpret_cast<const char*>(&message));
  xcb_flush(connection);
}

std::optional<QMargins> FrameExtents(xcb_connection_t* connection, xcb_window_t window) {
  const xcb_atom_t extents = InternAtom(connection, "_NET_FRAME_EXTENTS");
  if (extents == XCB_NONE) {
    return std::nullopt;
  }
  const xcb_get_property_cookie_t cookie =
      xcb_get_property(connection, 0, window, extents, XCB_ATOM_CARDINAL, 0, 4);
  Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(connection, cookie, nullptr));
  if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) != 16) {
    return std::nullopt;
  }
  std::array<std::uint32_t, 4> value{};
  std::memcpy(value.data(), xcb_get_property_value(reply.get()), sizeof value);
  return QMargins(static_cast<int>(value[0]), static_cast<int>(value[2]),
                  static_cast<int>(value[1]), static_cast<int>(value[3]));
}

}  // namespace platform::qt
