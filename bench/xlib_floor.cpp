// The floor: the same three duties done with nothing but Xlib (and the
// server's idle clock, so that Num Lock is pressed only while a person is
// there, as the ornament presses it). One window,
// seven child windows as lamps (a lamp changes by its background pixel and a
// clear, which the server paints itself), and a single poll loop that wakes
// on an absolute schedule so steps never drift.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/scrnsaver.h>
#include <X11/keysym.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "chase_sequence.h"

namespace {

using Nanos = std::int64_t;
constexpr Nanos kMs = 1'000'000;

Nanos Now() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return Nanos{ts.tv_sec} * 1'000'000'000 + ts.tv_nsec;
}

struct Atoms {
  Atom active_window, wm_state, wm_state_above, wm_name, utf8, window_type, type_utility, pid;
};

Atoms InternAtoms(Display* display) {
  auto atom = [display](const char* name) { return XInternAtom(display, name, False); };
  return {atom("_NET_ACTIVE_WINDOW"),
          atom("_NET_WM_STATE"),
          atom("_NET_WM_STATE_ABOVE"),
          atom("_NET_WM_NAME"),
          atom("UTF8_STRING"),
          atom("_NET_WM_WINDOW_TYPE"),
          atom("_NET_WM_WINDOW_TYPE_UTILITY"),
          atom("_NET_WM_PID")};
}

Window ActiveWindow(Display* display, Window root, const Atoms& atoms) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  Window active = None;
  if (XGetWindowProperty(display, root, atoms.active_window, 0, 1, False, XA_WINDOW, &type, &format,
                         &count, &after, &data) == Success &&
      data != nullptr) {
    if (count == 1 && format == 32) {
      active = static_cast<Window>(*reinterpret_cast<unsigned long*>(data));
    }
    XFree(data);
  }
  return active;
}

void SendAbove(Display* display, Window root, const Atoms& atoms, Window window, bool above) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = atoms.wm_state;
  event.xclient.format = 32;
  event.xclient.data.l[0] = above ? 1 : 0;  // _NET_WM_STATE_ADD / _REMOVE
  event.xclient.data.l[1] = static_cast<long>(atoms.wm_state_above);
  event.xclient.data.l[3] = 1;
  XSendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

}  // namespace

int main() {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "xlib_floor: cannot open the display\n");
    return 1;
  }
  const int screen = DefaultScreen(display);
  const Window root = RootWindow(display, screen);
  const Atoms atoms = InternAtoms(display);
  const unsigned long black = BlackPixel(display, screen);
  XColor red{};
  red.red = 0xffff;
  red.flags = DoRed | DoGreen | DoBlue;
  XAllocColor(display, DefaultColormap(display, screen), &red);

  const Window window = XCreateSimpleWindow(display, root, 66, 66, bench::kStripWidth,
                                            bench::kStripHeight, 0, black, black);
  const char* title = "BRELLOCK bench Xlib floor";
  XStoreName(display, window, title);
  XChangeProperty(display, window, atoms.wm_name, atoms.utf8, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(title),
                  static_cast<int>(std::strlen(title)));
  const long pid = getpid();
  XChangeProperty(display, window, atoms.pid, XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&pid), 1);
  XChangeProperty(display, window, atoms.window_type, XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&atoms.type_utility), 1);
  XChangeProperty(display, window, atoms.wm_state, XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&atoms.wm_state_above), 1);

  std::array<Window, bench::kLampCount> lamps{};
  for (int n = 1; n <= bench::kLampCount; ++n) {
    lamps[n - 1] = XCreateSimpleWindow(display, window, bench::LampLeft(n), bench::kLampTop,
                                       bench::kLampSize, bench::kLampSize, 0, black, black);
  }
  XMapSubwindows(display, window);
  XMapWindow(display, window);
  XFlush(display);

  const KeyCode num_lock = XKeysymToKeycode(display, XK_Num_Lock);
  const Nanos start = Now();
  Nanos next_step = start + bench::kStepMs * kMs;
  Nanos next_num_lock = start + bench::kNumLockMs * kMs;
  Nanos next_check = start + bench::kActiveCheckMs * kMs;
  int step = 0;
  int lit = 0;
  // The idle clock's reading is the server's; input it counted after our
  // own last press (100 ms allowed for the press to arrive) is a person's.
  XScreenSaverInfo* idle = XScreenSaverAllocInfo();
  Nanos last_press = -1;
  Nanos last_person = start;
  bool odd_presses = false;

  pollfd fd{ConnectionNumber(display), POLLIN, 0};
  for (;;) {
    while (XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);  // nothing to do: the server paints the lamps
    }
    const Nanos wake = std::min({next_step, next_num_lock, next_check});
    const Nanos wait = std::max<Nanos>(0, wake - Now());
    const timespec timeout{static_cast<time_t>(wait / 1'000'000'000),
                           static_cast<long>(wait % 1'000'000'000)};
    if (ppoll(&fd, 1, &timeout, nullptr) < 0) {
      continue;
    }
    if ((fd.revents & (POLLHUP | POLLERR)) != 0) {
      return 0;
    }
    const Nanos now = Now();
    if (now >= next_step) {
      const int now_lit = bench::kLitLampAfterStep[step];
      if (lit != 0) {
        XSetWindowBackground(display, lamps[lit - 1], black);
        XClearWindow(display, lamps[lit - 1]);
      }
      if (now_lit != 0) {
        XSetWindowBackground(display, lamps[now_lit - 1], red.pixel);
        XClearWindow(display, lamps[now_lit - 1]);
      }
      lit = now_lit;
      step = (step + 1) % static_cast<int>(bench::kLitLampAfterStep.size());
      next_step += bench::kStepMs * kMs;
    }
    if (now >= next_num_lock) {
      bool press = true;
      if (idle != nullptr && XScreenSaverQueryInfo(display, root, idle) != 0) {
        const Nanos last_input = now - Nanos{static_cast<std::int64_t>(idle->idle)} * kMs;
        if (last_press < 0 || last_input > last_press + 100 * kMs) {
          last_person = std::max(last_person, last_input);
        }
        const bool saver = idle->state == ScreenSaverOn;
        press = !saver && (now - last_person < 60'000 * kMs || odd_presses);
      }
      if (num_lock != 0 && press) {
        XTestFakeKeyEvent(display, num_lock, True, CurrentTime);
        XTestFakeKeyEvent(display, num_lock, False, CurrentTime);
        last_press = now;
        odd_presses = !odd_presses;
      }
      next_num_lock += bench::kNumLockMs * kMs;
    }
    if (now >= next_check) {
      const Window active = ActiveWindow(display, root, atoms);
      if (active != window) {
        if (active != None) {
          SendAbove(display, root, atoms, active, false);
        }
        SendAbove(display, root, atoms, window, true);
      }
      next_check += bench::kActiveCheckMs * kMs;
    }
    XFlush(display);
  }
}
