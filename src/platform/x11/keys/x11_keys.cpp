// Num Lock pressed through XTEST.
#include "platform/x11/keys/x11_keys.h"

#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#include <cstdio>
#include <memory>

#include "platform/x11/connection/x11_display.h"
#include "platform/x11/connection/xcb_owners.h"

namespace platform::x11 {

namespace {

constexpr xcb_keysym_t kNumLockKeysym = 0xff7f;  // XK_Num_Lock

void Warn(const char* why) {
  std::fprintf(stderr, "brellock-varn-on: cannot press Num Lock here: %s\n", why);
}

}  // namespace

X11Keys::X11Keys(Display& display) : display_(display), idle_clock_(display) {
  xcb_prefetch_extension_data(display_.Connection(), &xcb_test_id);
}

void X11Keys::FindNumLock() {
  looked_ = true;
  xcb_connection_t* c = display_.Connection();
  const xcb_query_extension_reply_t* xtest = xcb_get_extension_data(c, &xcb_test_id);
  if (xtest == nullptr || xtest->present == 0) {
    Warn("the X server has no XTEST extension");
    return;
  }
  const std::unique_ptr<xcb_key_symbols_t, void (*)(xcb_key_symbols_t*)> symbols(
      xcb_key_symbols_alloc(c), xcb_key_symbols_free);
  const std::unique_ptr<xcb_keycode_t, FreeWithFree> codes(
      symbols ? xcb_key_symbols_get_keycode(symbols.get(), kNumLockKeysym) : nullptr);
  if (codes && *codes != XCB_NO_SYMBOL) {
    num_lock_ = *codes;
  } else {
    Warn("no key on this keyboard map is Num_Lock");
  }
}

void X11Keys::PressNumLock() {
  xcb_connection_t* c = display_.Connection();
  if (!looked_ && xcb_connection_has_error(c) == 0) {
    FindNumLock();
  }
  if (num_lock_ == 0 || xcb_connection_has_error(c) != 0) {
    return;
  }
  Discard(c, xcb_test_fake_input_checked(c, XCB_KEY_PRESS, num_lock_, XCB_CURRENT_TIME, XCB_NONE, 0,
                                         0, 0));
  Discard(c, xcb_test_fake_input_checked(c, XCB_KEY_RELEASE, num_lock_, XCB_CURRENT_TIME, XCB_NONE,
                                         0, 0, 0));
  xcb_flush(c);
}

}  // namespace platform::x11
