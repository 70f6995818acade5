#include "other_window.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include "damage_source.h"

namespace bench {

namespace {

constexpr char kTitle[] = "BRELLOCK bench other window";
// Far from where the measured programs stand (the top-left of the screen).
constexpr int kLeft = 600, kTop = 500, kWidth = 400, kHeight = 300;

}  // namespace

OtherWindow::OtherWindow(Display* display)
    : display_(display), active_window_(XInternAtom(display, "_NET_ACTIVE_WINDOW", False)) {
  const int screen = DefaultScreen(display_);
  window_ =
      XCreateSimpleWindow(display_, RootWindow(display_, screen), kLeft, kTop, kWidth, kHeight, 0,
                          BlackPixel(display_, screen), WhitePixel(display_, screen));
  XStoreName(display_, window_, kTitle);
  const Atom type = XInternAtom(display_, "_NET_WM_WINDOW_TYPE", False);
  const Atom normal = XInternAtom(display_, "_NET_WM_WINDOW_TYPE_NORMAL", False);
  XChangeProperty(display_, window_, type, XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&normal), 1);
  XWMHints hints{};
  hints.flags = InputHint | StateHint;
  hints.input = True;
  hints.initial_state = NormalState;
  XSetWMHints(display_, window_, &hints);
  XSizeHints place{};
  place.flags = USPosition | USSize;
  place.x = kLeft;
  place.y = kTop;
  place.width = kWidth;
  place.height = kHeight;
  XSetWMNormalHints(display_, window_, &place);
  XMapWindow(display_, window_);
  XSync(display_, False);
}

OtherWindow::~OtherWindow() {
  XDestroyWindow(display_, window_);
  XSync(display_, False);
}

bool OtherWindow::Activate() {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window_;
  event.xclient.message_type = active_window_;
  event.xclient.format = 32;
  event.xclient.data.l[0] = 2;  // from a pager: the user's own choice
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display_, DefaultRootWindow(display_), False,
             SubstructureRedirectMask | SubstructureNotifyMask, &event);
  XFlush(display_);
  const Nanos deadline = Now() + 5 * kSecond;
  while (!IsActive()) {
    if (Now() > deadline) {
      return false;
    }
    usleep(2'000);
  }
  return true;
}

bool OtherWindow::IsActive() const {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  bool active = false;
  if (XGetWindowProperty(display_, DefaultRootWindow(display_), active_window_, 0, 1, False,
                         XA_WINDOW, &type, &format, &count, &after, &data) == Success &&
      data != nullptr) {
    active = format == 32 && count == 1 && *reinterpret_cast<unsigned long*>(data) == window_;
    XFree(data);
  }
  return active;
}

}  // namespace bench
