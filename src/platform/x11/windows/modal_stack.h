// The modal windows open now, innermost last. Only the innermost takes the
// mouse and the keyboard; the windows under it go on drawing and their
// timers on running, but take no input until it has gone.
#pragma once

#include <algorithm>
#include <vector>

namespace platform::x11 {

class HostedWindow;

class ModalStack {
 public:
  void Push(const HostedWindow* window) { windows_.push_back(window); }
  void Remove(const HostedWindow* window) { std::erase(windows_, window); }
  bool TakesInput(const HostedWindow* window) const {
    return windows_.empty() || windows_.back() == window;
  }

 private:
  std::vector<const HostedWindow*> windows_;
};

}  // namespace platform::x11
