// A native Wayland client with a small window of its own: while it holds
// the keyboard focus, the compositor tells it the keyboard's modifiers, Num
// Lock among them (wl_keyboard.modifiers). It is how a test sees the Num Lock
// of a compositor that publishes it nowhere else.
#pragma once

#include <atomic>
#include <optional>
#include <string>
#include <thread>

struct wl_display;

namespace testing_support {

class WaylandKeyboardWitness {
 public:
  // Connects to the compositor at `socket` (a path, or a name in the
  // test's XDG_RUNTIME_DIR) and shows a window with the title `title`.
  WaylandKeyboardWitness(const std::string& socket, const std::string& title);
  ~WaylandKeyboardWitness();
  WaylandKeyboardWitness(const WaylandKeyboardWitness&) = delete;
  WaylandKeyboardWitness& operator=(const WaylandKeyboardWitness&) = delete;

  bool Connected() const { return display_ != nullptr; }
  // Num Lock as the compositor last said it, while the window has the focus.
  std::optional<bool> NumLock() const;

  // Its Wayland objects, and what the compositor's events (on the witness's
  // own thread) said of the keyboard.
  struct Objects;

 private:
  void Run();

  wl_display* display_ = nullptr;
  Objects* objects_ = nullptr;
  std::atomic<bool> stop_ = false;
  std::thread thread_;
};

}  // namespace testing_support
