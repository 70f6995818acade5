// _NET_FRAME_EXTENTS: what the window manager's frame adds on each side of a
// client window, as the window manager writes it on the client.
#pragma once

#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

#include <functional>
#include <optional>

namespace platform::x11 {

struct FrameExtents {
  int left = 0, right = 0, top = 0, bottom = 0;
  bool operator==(const FrameExtents&) const = default;
};

// nullopt while the window manager has not written it.
std::optional<FrameExtents> ReadFrameExtents(xcb_ewmh_connection_t& ewmh, xcb_window_t window);

bool IsFrameExtentsChange(xcb_ewmh_connection_t& ewmh, const xcb_generic_event_t& event,
                          xcb_window_t window);

// Waits a little for the window manager's answer to a request for the frame
// it will draw around a window not yet mapped. Every event read meanwhile is
// handed to `keep`, which takes it over, to be handled later.
std::optional<FrameExtents> AwaitFrameExtents(
    xcb_ewmh_connection_t& ewmh, xcb_window_t window,
    const std::function<void(xcb_generic_event_t*)>& keep);

}  // namespace platform::x11
