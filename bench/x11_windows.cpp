#include "x11_windows.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstring>

namespace bench {

namespace {

// Errors from windows that vanish while being looked at are expected here.
int IgnoreErrors(Display*, XErrorEvent*) {
  return 0;
}

std::optional<std::string> TextProperty(Display* display, Window window, Atom property) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, window, property, 0, 1024, False, AnyPropertyType, &type, &format,
                         &count, &after, &data) != Success ||
      data == nullptr) {
    return std::nullopt;
  }
  std::optional<std::string> text;
  if (format == 8) {
    text = std::string(reinterpret_cast<char*>(data), count);
  }
  XFree(data);
  return text;
}

std::optional<long> CardinalProperty(Display* display, Window window, Atom property) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, window, property, 0, 1, False, XA_CARDINAL, &type, &format,
                         &count, &after, &data) != Success ||
      data == nullptr) {
    return std::nullopt;
  }
  std::optional<long> value;
  if (format == 32 && count == 1) {
    value = *reinterpret_cast<long*>(data);
  }
  XFree(data);
  return value;
}

bool Matches(Display* display, Window window, const WindowQuery& query) {
  if (query.title) {
    static const Atom net_wm_name = XInternAtom(display, "_NET_WM_NAME", False);
    return TextProperty(display, window, net_wm_name) == query.title ||
           TextProperty(display, window, XA_WM_NAME) == query.title;
  }
  static const Atom net_wm_pid = XInternAtom(display, "_NET_WM_PID", False);
  return CardinalProperty(display, window, net_wm_pid) == query.pid;
}

std::optional<Window> Search(Display* display, Window parent, const WindowQuery& query) {
  Window root_return = None, parent_return = None;
  Window* children = nullptr;
  unsigned int count = 0;
  if (XQueryTree(display, parent, &root_return, &parent_return, &children, &count) == 0) {
    return std::nullopt;
  }
  std::optional<Window> found;
  for (unsigned int i = count; i-- > 0 && !found;) {  // topmost first
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display, children[i], &attributes) == 0 ||
        attributes.map_state != IsViewable) {
      continue;
    }
    if (Matches(display, children[i], query)) {
      found = children[i];
    } else {
      found = Search(display, children[i], query);
    }
  }
  if (children != nullptr) {
    XFree(children);
  }
  return found;
}

}  // namespace

Rect Intersect(const Rect& a, const Rect& b) {
  const int left = std::max(a.x, b.x), top = std::max(a.y, b.y);
  const int right = std::min(a.x + a.width, b.x + b.width);
  const int bottom = std::min(a.y + a.height, b.y + b.height);
  if (right <= left || bottom <= top) {
    return {};
  }
  return {left, top, right - left, bottom - top};
}

std::optional<Window> FindWindow(Display* display, const WindowQuery& query) {
  XErrorHandler previous = XSetErrorHandler(IgnoreErrors);
  std::optional<Window> found = Search(display, DefaultRootWindow(display), query);
  XSync(display, False);
  XSetErrorHandler(previous);
  return found;
}

std::optional<Rect> RootRectOf(Display* display, Window window) {
  XErrorHandler previous = XSetErrorHandler(IgnoreErrors);
  XWindowAttributes attributes{};
  std::optional<Rect> rect;
  Window child = None;
  int x = 0, y = 0;
  if (XGetWindowAttributes(display, window, &attributes) != 0 &&
      XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child)) {
    rect = Rect{x, y, attributes.width, attributes.height};
  }
  XSync(display, False);
  XSetErrorHandler(previous);
  return rect;
}

std::vector<char> GrabPixels(Display* display, const Rect& area) {
  const Screen* screen = DefaultScreenOfDisplay(display);
  const Rect visible = Intersect(area, {0, 0, screen->width, screen->height});
  if (visible.Area() == 0) {
    return {};
  }
  XImage* image = XGetImage(display, DefaultRootWindow(display), visible.x, visible.y,
                            static_cast<unsigned>(visible.width),
                            static_cast<unsigned>(visible.height), AllPlanes, ZPixmap);
  if (image == nullptr) {
    return {};
  }
  std::vector<char> pixels(image->data,
                           image->data + static_cast<std::size_t>(image->bytes_per_line) *
                                             static_cast<std::size_t>(image->height));
  XDestroyImage(image);
  return pixels;
}

}  // namespace bench
