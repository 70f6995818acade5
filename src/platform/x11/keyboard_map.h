// Which key a key press is: the server's keyboard mapping read through
// xcb-keysyms when the first key arrives (the main window takes none) and
// kept fresh on MappingNotify, and the keys the windows answer to as the
// input rules name them.
#pragma once

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <memory>

#include "platform/input/form_input.h"

namespace platform::x11 {

class KeyboardMap {
 public:
  explicit KeyboardMap(xcb_connection_t* connection);
  KeyPress Translate(const xcb_key_press_event_t& event);
  void OnMappingNotify(const xcb_mapping_notify_event_t& event);

 private:
  xcb_keysym_t KeySym(const xcb_key_press_event_t& event);

  xcb_connection_t* connection_;
  std::unique_ptr<xcb_key_symbols_t, void (*)(xcb_key_symbols_t*)> symbols_;
};

}  // namespace platform::x11
