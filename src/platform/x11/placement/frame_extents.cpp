// Reading and awaiting _NET_FRAME_EXTENTS.
#include "platform/x11/placement/frame_extents.h"

#include <poll.h>

#include <algorithm>
#include <chrono>

namespace platform::x11 {

namespace {

// A window manager that says it answers does so within a millisecond or two;
// one that is busy starting up gets this long before the window maps anyway.
constexpr auto kFrameExtentsWait = std::chrono::milliseconds(100);

}  // namespace

std::optional<FrameExtents> ReadFrameExtents(xcb_ewmh_connection_t& ewmh, xcb_window_t window) {
  xcb_ewmh_get_extents_reply_t reply{};
  if (xcb_ewmh_get_frame_extents_reply(&ewmh, xcb_ewmh_get_frame_extents_unchecked(&ewmh, window),
                                       &reply, nullptr) == 0) {
    return std::nullopt;
  }
  return FrameExtents{static_cast<int>(reply.left), static_cast<int>(reply.right),
                      static_cast<int>(reply.top), static_cast<int>(reply.bottom)};
}

bool IsFrameExtentsChange(xcb_ewmh_connection_t& ewmh, const xcb_generic_event_t& event,
                          xcb_window_t window) {
  if ((event.response_type & 0x7F) != XCB_PROPERTY_NOTIFY) {
    return false;
  }
  const auto& property = reinterpret_cast<const xcb_property_notify_event_t&>(event);
  return property.window == window && property.atom == ewmh._NET_FRAME_EXTENTS;
}

std::optional<FrameExtents> AwaitFrameExtents(
    xcb_ewmh_connection_t& ewmh, xcb_window_t window,
    const std::function<void(xcb_generic_event_t*)>& keep) {
  xcb_connection_t* c = ewmh.connection;
  if (auto known = ReadFrameExtents(ewmh, window)) {
    return known;
  }
  const auto end = std::chrono::steady_clock::now() + kFrameExtentsWait;
  while (std::chrono::steady_clock::now() < end && xcb_connection_has_error(c) == 0) {
    while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
      const bool answer = IsFrameExtentsChange(ewmh, *event, window);
      keep(event);
      if (answer) {
        return ReadFrameExtents(ewmh, window);
      }
    }
    pollfd connection{xcb_get_file_descriptor(c), POLLIN, 0};
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        end - std::chrono::steady_clock::now());
    poll(&connection, 1, static_cast<int>(std::max<std::int64_t>(1, left.count())));
  }
  return std::nullopt;
}

}  // namespace platform::x11
