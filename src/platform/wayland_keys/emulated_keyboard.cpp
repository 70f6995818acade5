// The emulated keyboard's libei events and key presses.
#include "platform/wayland_keys/emulated_keyboard.h"

#include <libei.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace platform::x11 {

EmulatedKeyboard::EmulatedKeyboard(int eis_socket, KeyboardListener& listener)
    : listener_(listener), ei_(ei_new_sender(nullptr)) {
  ei_configure_name(ei_, "BRELLOCK-VARN-ON");
  if (const int failed = ei_setup_backend_fd(ei_, eis_socket); failed < 0) {
    Lose(std::string("emulated input did not connect: ") + std::strerror(-failed));
  }
}

EmulatedKeyboard::~EmulatedKeyboard() {
  if (device_ != nullptr) {
    if (emulating_) {
      ei_device_stop_emulating(device_);
    }
    ei_device_unref(device_);
  }
  if (seat_ != nullptr) {
    ei_seat_unref(seat_);
  }
  ei_disconnect(ei_);
  ei_unref(ei_);
}

int EmulatedKeyboard::Fd() const {
  return lost_ ? -1 : ei_get_fd(ei_);
}

// Said once; the listener must not destroy this object from the call.
void EmulatedKeyboard::Lose(const std::string& why) {
  emulating_ = false;
  if (!std::exchange(lost_, true)) {
    listener_.OnKeyboardLost(why);
  }
}

void EmulatedKeyboard::OnReadable() {
  if (lost_) {
    return;
  }
  ei_dispatch(ei_);
  while (ei_event* event = ei_get_event(ei_)) {
    OnEvent(event);
    ei_event_unref(event);
  }
}

void EmulatedKeyboard::OnEvent(ei_event* event) {
  switch (ei_event_get_type(event)) {
    case EI_EVENT_SEAT_ADDED:
      if (seat_ == nullptr) {
        seat_ = ei_seat_ref(ei_event_get_seat(event));
        ei_seat_bind_capabilities(seat_, EI_DEVICE_CAP_KEYBOARD, nullptr);
      }
      return;
    case EI_EVENT_DEVICE_ADDED:
      if (device_ == nullptr &&
          ei_device_has_capability(ei_event_get_device(event), EI_DEVICE_CAP_KEYBOARD)) {
        device_ = ei_device_ref(ei_event_get_device(event));
      }
      return;
    case EI_EVENT_DEVICE_RESUMED:
      if (ei_event_get_device(event) == device_ && !emulating_) {
        ei_device_start_emulating(device_, ++sequence_);
        emulating_ = true;
      }
      return;
    case EI_EVENT_DEVICE_PAUSED:
      if (ei_event_get_device(event) == device_) {
        emulating_ = false;
      }
      return;
    case EI_EVENT_DEVICE_REMOVED:
      if (ei_event_get_device(event) == device_) {
        ei_device_unref(std::exchange(device_, nullptr));
        emulating_ = false;
      }
      return;
    case EI_EVENT_DISCONNECT:
      Lose("the desktop ended the emulated input");
      return;
    default:
      return;
  }
}

void EmulatedKeyboard::PressKey(unsigned evdev_code) {
  if (!emulating_ || device_ == nullptr) {
    return;
  }
  ei_device_keyboard_key(device_, evdev_code, true);
  ei_device_frame(device_, ei_now(ei_));
  ei_device_keyboard_key(device_, evdev_code, false);
  ei_device_frame(device_, ei_now(ei_));
}

}  // namespace platform::x11
