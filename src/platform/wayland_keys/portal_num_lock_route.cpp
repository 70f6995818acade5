// The Wayland route for Num Lock: one portal session and one emulated
// keyboard for the whole run, their connections watched by the program's
// own event loop (GLib's main context is run from it, never on its own).
#include <glib.h>

#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/wayland_keys/emulated_keyboard.h"
#include "platform/wayland_keys/portal_consent.h"
#include "platform/wayland_keys/remote_desktop_portal.h"
#include "platform/wayland_keys/session_idle_clock.h"
#include "platform/x11/keys/num_lock_route.h"

namespace platform::x11 {

namespace {

constexpr unsigned kNumLockCode = 69;  // KEY_NUMLOCK, as evdev numbers it

void Say(const std::string& what) {
  std::fprintf(stderr, "brellock-varn-on: Num Lock is not pressed on this Wayland session: %s\n",
               what.c_str());
}

class PortalNumLockRoute final : public NumLockRoute,
                                 private PortalListener,
                                 private KeyboardListener {
 public:
  explicit PortalNumLockRoute(std::string state_folder)
      : consent_(std::move(state_folder)), portal_(consent_, static_cast<PortalListener&>(*this)) {
    if (consent_.Refused()) {
      Say("remote input was refused before; to be asked again, delete " + consent_.RefusalFile());
      closed_ = true;
      return;
    }
    portal_.Begin();
    idle_clock_ = std::make_unique<SessionIdleClock>();
  }

  // The program counts its presses to leave Num Lock as it found it, and
  // counts those asked for before the keyboard could send them (while the
  // dialog waits) too. So when an odd number went unsent, the first that
  // could be sent is left out, and the light is back in step with the count.
  void PressNumLock() override {
    if (!keyboard_ || closed_ || !keyboard_->Ready()) {
      unsent_odd_ = !unsent_odd_;
      return;
    }
    if (std::exchange(unsent_odd_, false)) {
      return;  // left out
    }
    keyboard_->PressKey(kNumLockCode);
  }

  // Nothing is read once the route is closed: nothing is pressed then.
  // The clock is read while the dialog waits too, so that the person who
  // answers it is seen; that none can be read is said with the first press
  // that can be sent.
  IdleReading ReadIdleClock() override {
    if (closed_ || !idle_clock_) {
      return {};
    }
    const IdleReading reading = idle_clock_->Read();
    if (idle_clock_->NoneAnswers() && keyboard_ && keyboard_->Ready() && !warned_no_idle_clock_) {
      warned_no_idle_clock_ = true;
      std::fprintf(stderr,
                   "brellock-varn-on: this Wayland session's idle clock is not read, so Num Lock "
                   "is pressed even while nobody is at the machine\n");
    }
    return reading;
  }

  // The emulated keyboard's socket; GLib's main context, where the portal's
  // calls run, the program's loop drives itself.
  void AddWatches(std::vector<pollfd>& files, int& /*timeout_ms*/) override {
    keyboard_fd_ = keyboard_ ? keyboard_->Fd() : -1;
    if (keyboard_fd_ >= 0) {
      files.push_back({keyboard_fd_, POLLIN, 0});
    }
  }

  void OnWatched(std::span<const pollfd> files) override {
    if (keyboard_fd_ >= 0 && !files.empty() && (files.back().revents & POLLIN) != 0 && keyboard_) {
      keyboard_->OnReadable();
    }
  }

 private:
  void OnEisReady(int fd) override {
    keyboard_ = std::make_unique<EmulatedKeyboard>(fd, static_cast<KeyboardListener&>(*this));
  }
  void OnPortalFailed(const std::string& why) override {
    Say(why);
    closed_ = true;
  }
  void OnSessionClosed() override {
    if (!closed_) {
      Say("the desktop closed the remote input session");
    }
    closed_ = true;
  }
  void OnKeyboardLost(const std::string& why) override {
    if (!closed_) {
      Say(why);
    }
    closed_ = true;
  }

  PortalConsent consent_;
  RemoteDesktopPortal portal_;
  std::unique_ptr<EmulatedKeyboard> keyboard_;
  std::unique_ptr<SessionIdleClock> idle_clock_;
  bool closed_ = false;
  bool warned_no_idle_clock_ = false;
  bool unsent_odd_ = false;  // an odd number of presses asked for went unsent
  int keyboard_fd_ = -1;
};

}  // namespace

}  // namespace platform::x11

extern "C" __attribute__((visibility("default"))) platform::x11::NumLockRoute*
varn_make_num_lock_route(const char* state_folder) {
  return new platform::x11::PortalNumLockRoute(state_folder);
}
