// What a top-level window needs of the backend that holds it: the display,
// the art module, the keyboard map, the selections it offers, and its place
// among the program's windows (modal ones take the input).
#pragma once

#include <xcb/xcb.h>

#include <string>

#include "platform/input/form_input.h"

namespace platform::x11 {

class ArtModule;
class Display;
class X11Window;

class WindowHost {
 public:
  virtual Display& X() = 0;
  virtual double TwipsPerPixel() const = 0;
  virtual ArtModule& Art() = 0;
  // _NET_REQUEST_FRAME_EXTENTS is listed in _NET_SUPPORTED.
  virtual bool FrameExtentsRequestsAnswered() const = 0;
  virtual KeyPress Translate(const xcb_key_press_event_t& event) = 0;
  virtual DoubleClickLimits DesktopDoubleClick() = 0;
  // Offers `text` as the PRIMARY or CLIPBOARD selection.
  virtual void OfferText(xcb_atom_t selection, std::string text, xcb_timestamp_t time) = 0;
  // An event read while waiting for something else, handled after it.
  virtual void KeepForLater(xcb_generic_event_t* event) = 0;

  virtual void Register(X11Window* window) = 0;
  virtual void Unregister(X11Window* window) = 0;
  // Modal windows, innermost last: only the innermost takes input.
  virtual void BeginModal(X11Window* window) = 0;
  virtual bool TakesInput(const X11Window* window) const = 0;

 protected:
  ~WindowHost() = default;
};

}  // namespace platform::x11
