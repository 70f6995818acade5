// Key presses to the keys the input rules know.
#include "platform/x11/keyboard_map.h"

#include <utility>

namespace platform::x11 {

namespace {

struct KeyOfSymbol {
  xcb_keysym_t symbol;
  Key key;
};

// Shift+Tab arrives as ISO_Left_Tab; Enter on the keypad is Return too.
constexpr KeyOfSymbol kKeys[] = {
    {0xff09, Key::Tab},   {0xfe20, Key::Tab},  {0xff0d, Key::Return}, {0xff8d, Key::Return},
    {0x0020, Key::Space}, {0xff51, Key::Left}, {0xff53, Key::Right},  {0xff52, Key::Up},
    {0xff54, Key::Down},  {0xff50, Key::Home}, {0xff57, Key::End},    {0xff63, Key::Insert},
    {'a', Key::A},        {'A', Key::A},       {'c', Key::C},         {'C', Key::C},
};

}  // namespace

KeyboardMap::KeyboardMap(xcb_connection_t* connection)
    : connection_(connection), symbols_(nullptr, xcb_key_symbols_free) {}

xcb_keysym_t KeyboardMap::KeySym(const xcb_key_press_event_t& event) {
  if (!symbols_) {
    symbols_.reset(xcb_key_symbols_alloc(connection_));
  }
  if (!symbols_) {
    return XCB_NO_SYMBOL;
  }
  // Column 1 is the shifted symbol: Shift+Tab is ISO_Left_Tab.
  const int column = (event.state & XCB_MOD_MASK_SHIFT) != 0 ? 1 : 0;
  xcb_keysym_t symbol = xcb_key_symbols_get_keysym(symbols_.get(), event.detail, column);
  if (symbol == XCB_NO_SYMBOL) {
    symbol = xcb_key_symbols_get_keysym(symbols_.get(), event.detail, 0);
  }
  return symbol;
}

KeyPress KeyboardMap::Translate(const xcb_key_press_event_t& event) {
  const xcb_keysym_t symbol = KeySym(event);
  KeyPress press;
  press.shift = (event.state & XCB_MOD_MASK_SHIFT) != 0 || symbol == 0xfe20;
  press.ctrl = (event.state & XCB_MOD_MASK_CONTROL) != 0;
  press.time = event.time;
  for (const KeyOfSymbol& known : kKeys) {
    if (known.symbol == symbol) {
      press.key = known.key;
    }
  }
  return press;
}

void KeyboardMap::OnMappingNotify(const xcb_mapping_notify_event_t& event) {
  if (symbols_) {
    xcb_refresh_keyboard_mapping(symbols_.get(), const_cast<xcb_mapping_notify_event_t*>(&event));
  }
}

}  // namespace platform::x11
