// The modal windows open now, innermost last. Only the innermost takes the
// mouse and the keyboard; the windows under it go on drawing and their
// timers on running, but take no input until it has gone.
#pragma once

#include <algorithm>
#include <vector>

namespace platform::x11 {

class X11Window;

class ModalStack {
 public:
  void Push(const X11Window* window) { windows_.push_back(window); }
  void Remove(const X11Window* window) { std::erase(windows_, window); }
  bool TakesInput(const X11Window* window) const {
    return windows_.empty() || windows_.back() == window;
  }

 private:
  std::vector<const X11Window*> windows_;
};

}  // namespace platform::x11
