// What a top-level window tells the window manager about itself, through
// ICCCM and EWMH properties: its name, class, protocols, hints, type, states
// and icon, and what it reads back: whether the window is iconic.
#pragma once

#include <xcb/xcb.h>

#include <string_view>

#include "platform/design.h"

namespace platform::x11 {

class Display;

// A tool window with a close box only, in neither the taskbar nor the pager:
// all the window manager needs to know to work out its frame.
void SetToolWindowProperties(Display& display, xcb_window_t window, const FormDesign& design);

// The embedded icon of that name as the window's _NET_WM_ICON; none for "".
void SetWindowIcon(Display& display, xcb_window_t window, std::string_view icon_name);

// A modal dialog over its owner: window managers give a dialog the focus
// when it maps, where they leave a utility window without. Only while the
// window is withdrawn.
void SetModalDialogProperties(Display& display, xcb_window_t window, xcb_window_t owner);

// WM_STATE says the window is iconic.
bool IsIconic(Display& display, xcb_window_t window);

}  // namespace platform::x11
