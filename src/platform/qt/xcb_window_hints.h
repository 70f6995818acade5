// The few EWMH/ICCCM properties the program reads or sets itself on its own
// top-level windows, because Qt has no API for them.
#pragma once

#include <xcb/xcb.h>

#include <QMargins>
#include <optional>

namespace platform::qt {

xcb_atom_t InternAtom(xcb_connection_t* connection, const char* name);

// Marks a not yet mapped window as a utility window that has no taskbar
// button. Qt merges its own _NET_WM_STATE values into ours when it maps it.
void MarkUtilityWithoutTaskbar(xcb_connection_t* connection, xcb_window_t window);

// Asks the window manager to publish the frame it will give the window, so
// the outer rectangle can be placed exactly before the window is mapped.
void RequestFrameExtents(xcb_connection_t* connection, xcb_window_t window);

// _NET_FRAME_EXTENTS as left, top, right, bottom; nullopt when not set.
std::optional<QMargins> FrameExtents(xcb_connection_t* connection, xcb_window_t window);

}  // namespace platform::qt
