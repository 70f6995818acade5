// A keyboard emulated over libei, on the socket the desktop portal hands
// over: the client binds the keyboard capability of the seat it is offered
// and starts emulating on the device the compositor adds and resumes.
#pragma once

#include <string>

struct ei;
struct ei_device;
struct ei_event;
struct ei_seat;

namespace platform::x11 {

class KeyboardListener {
 public:
  virtual void OnKeyboardLost(const std::string& why) = 0;

 protected:
  ~KeyboardListener() = default;
};

class EmulatedKeyboard {
 public:
  EmulatedKeyboard(int eis_socket, KeyboardListener& listener);  // takes the socket over
  ~EmulatedKeyboard();
  EmulatedKeyboard(const EmulatedKeyboard&) = delete;
  EmulatedKeyboard& operator=(const EmulatedKeyboard&) = delete;

  int Fd() const;  // to watch for reading; -1 once lost
  // The compositor lets the device emulate: a press now is sent.
  bool Ready() const { return emulating_ && device_ != nullptr && !lost_; }
  void OnReadable();
  // A key press and its release, each in a frame of its own, so the key is
  // never left held; nothing until the compositor lets the device emulate.
  void PressKey(unsigned evdev_code);

 private:
  void OnEvent(ei_event* event);
  void Lose(const std::string& why);

  KeyboardListener& listener_;
  ei* ei_ = nullptr;
  ei_seat* seat_ = nullptr;
  ei_device* device_ = nullptr;
  bool emulating_ = false;
  bool lost_ = false;
  unsigned sequence_ = 0;
};

}  // namespace platform::x11
