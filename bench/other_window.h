// Another program's window made active, as when the user works in another
// program: an ordinary top-level window of the watcher's own, well apart from
// the measured window, activated through the window manager.
#pragma once

#include <X11/Xlib.h>

namespace bench {

class OtherWindow {
 public:
  // Maps the window; the window manager takes it on in its own time.
  explicit OtherWindow(Display* display);
  ~OtherWindow();
  OtherWindow(const OtherWindow&) = delete;
  OtherWindow& operator=(const OtherWindow&) = delete;

  // Asks the window manager to make it the active window, as a pager or a
  // task bar does, and waits until it says so; false when it never does.
  bool Activate();
  // Whether the window manager names it the active window now.
  bool IsActive() const;

 private:
  Display* display_;
  Window window_ = None;
  Atom active_window_;
};

}  // namespace bench
