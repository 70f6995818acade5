// The selections this program offers other programs, PRIMARY and CLIPBOARD:
// held by a window of its own, so that text copied from the About window can
// still be pasted after it has closed, and converted as ICCCM asks.
#pragma once

#include <xcb/xcb.h>

#include <string>

#include "platform/x11/xcb_owners.h"

namespace platform::x11 {

class Display;

class SelectionServer {
 public:
  explicit SelectionServer(Display& display);
  void Offer(xcb_atom_t selection, std::string text, xcb_timestamp_t time);
  void OnSelectionRequest(const xcb_selection_request_event_t& request);

 private:
  Display& display_;
  OwnedWindow owner_;
  std::string primary_text_, clipboard_text_;
};

}  // namespace platform::x11
