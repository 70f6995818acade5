// Finding the watched program's window from outside, and reading what it
// shows, through plain Xlib calls on the root window.
#pragma once

#include <X11/Xlib.h>
#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace bench {

struct Rect {
  int x = 0, y = 0, width = 0, height = 0;
  long Area() const { return static_cast<long>(width) * height; }
};

Rect Intersect(const Rect& a, const Rect& b);

// Whom to look for: the viewable window whose _NET_WM_PID is `pid`, or, when
// `title` is set, whose _NET_WM_NAME or WM_NAME is exactly `title`.
struct WindowQuery {
  pid_t pid = 0;
  std::optional<std::string> title;
};

std::optional<Window> FindWindow(Display* display, const WindowQuery& query);

// The window's inside, in root coordinates; nullopt once it has gone.
std::optional<Rect> RootRectOf(Display* display, Window window);

// The screen's pixels in `area`, row after row, to compare two moments.
std::vector<char> GrabPixels(Display* display, const Rect& area);

}  // namespace bench
