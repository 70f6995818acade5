// Looks at the program's windows the way other X clients see them: through
// the X server, not through Qt's own idea of them.
#pragma once

#include <xcb/xcb.h>

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <optional>
#include <string>
#include <vector>

namespace testing_support {

xcb_connection_t* Connection();

std::string WindowName(xcb_window_t window);  // _NET_WM_NAME
std::vector<std::string> AtomList(xcb_window_t window, const char* property);
xcb_window_t TransientFor(xcb_window_t window);  // XCB_NONE when unset
// The outer rectangle (frame included) in root coordinates, once the window
// manager has framed the window.
std::optional<QRect> OuterFrame(xcb_window_t window);
// The client area's top-left corner in root coordinates.
std::optional<QPoint> ClientOrigin(xcb_window_t window);
bool IsViewable(xcb_window_t window);

// What a window manager sends when the user closes a window.
void SendDeleteWindow(xcb_window_t window);

// The colour of one screen pixel, and a part of the screen.
QColor ScreenPixel(QPoint at);
QImage ScreenImage(QRect area);

// Real input through the X server (XTEST, by xdotool).
void DoubleClickAt(QPoint at);
void ClickAt(QPoint at);
void PressKey(const char* key);

}  // namespace testing_support
