#include "platform/x11/keys/x11_idle_clock.h"

#include <xcb/screensaver.h>

#include <cstdio>
#include <cstring>

#include "platform/x11/connection/x11_display.h"
#include "platform/x11/connection/xcb_owners.h"

namespace platform::x11 {

namespace {

bool IsXwayland(xcb_connection_t* c) {
  constexpr char kXwayland[] = "XWAYLAND";
  const auto reply =
      Take(xcb_query_extension_reply, c, xcb_query_extension(c, std::strlen(kXwayland), kXwayland));
  return reply && reply->present != 0;
}

}  // namespace

X11IdleClock::X11IdleClock(Display& display) : display_(display) {
  xcb_prefetch_extension_data(display_.Connection(), &xcb_screensaver_id);
}

IdleReading X11IdleClock::Read() {
  xcb_connection_t* c = display_.Connection();
  if (xcb_connection_has_error(c) != 0) {
    return {};
  }
  const xcb_query_extension_reply_t* extension = xcb_get_extension_data(c, &xcb_screensaver_id);
  if (extension == nullptr || extension->present == 0) {
    if (!warned_) {
      warned_ = true;
      // Xwayland has no idle clock, but there the presses reach only
      // Xwayland itself, not the session's clock: nothing to say.
      if (IsXwayland(c)) {
        return {};
      }
      std::fprintf(stderr,
                   "brellock-varn-on: the X server has no MIT-SCREEN-SAVER extension, so Num Lock "
                   "is pressed even while nobody is at the machine\n");
    }
    return {};
  }
  const auto info =
      Take(xcb_screensaver_query_info_reply, c, xcb_screensaver_query_info(c, display_.Root()));
  if (!info) {
    return {};
  }
  const bool saver_on =
      info->state == XCB_SCREENSAVER_STATE_ON || info->state == XCB_SCREENSAVER_STATE_CYCLE;
  return {std::chrono::milliseconds(info->ms_since_user_input), saver_on};
}

}  // namespace platform::x11
