// What a top-level window needs of the backend that holds it: the display,
// the GTK module, the time of the latest input, and its place among the
// program's windows (modal ones take the input).
#pragma once

#include <xcb/xcb.h>

#include <memory>

#include "platform/backend.h"
#include "platform/input/double_click.h"

namespace platform::gtk_about {
class GtkForm;
}  // namespace platform::gtk_about

namespace platform::x11 {

class Display;
class HostedWindow;

class WindowHost {
 public:
  virtual Display& X() = 0;
  virtual double TwipsPerPixel() const = 0;
  // A window of this design from GTK's widgets; nullptr where the GTK
  // module cannot be loaded or GTK cannot start (said once on stderr).
  virtual std::unique_ptr<gtk_about::GtkForm> MakeGtkForm(const FormDesign& design,
                                                          WindowEvents& events) = 0;
  // _NET_REQUEST_FRAME_EXTENTS is listed in _NET_SUPPORTED.
  virtual bool FrameExtentsRequestsAnswered() const = 0;
  // The desktop's double-click time and distance, asked at each press.
  virtual DoubleClickLimits DesktopDoubleClick() = 0;
  // The X time of the latest press or release the program was given.
  virtual xcb_timestamp_t LastInputTime() const = 0;
  // An event read while waiting for something else, handled after it.
  virtual void KeepForLater(xcb_generic_event_t* event) = 0;

  virtual void Register(HostedWindow* window) = 0;
  virtual void Unregister(HostedWindow* window) = 0;
  // Modal windows, innermost last: only the innermost takes input.
  virtual void BeginModal(HostedWindow* window) = 0;
  virtual bool TakesInput(const HostedWindow* window) const = 0;

 protected:
  ~WindowHost() = default;
};

}  // namespace platform::x11
