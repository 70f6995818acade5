// GTK's window as the program places and watches it.
#include "platform/x11/windows/gtk_form_window.h"

#include <xcb/xcb_ewmh.h>
#include <xcb/xcb_icccm.h>

#include "platform/x11/connection/x11_display.h"
#include "platform/x11/connection/xcb_owners.h"
#include "platform/x11/placement/frame_extents.h"
#include "platform/x11/windows/window_host.h"
#include "platform/x11/windows/window_properties.h"

namespace platform::x11 {

GtkFormWindow::GtkFormWindow(WindowHost& host, const FormDesign& design, WindowEvents& events,
                             std::unique_ptr<gtk_about::GtkForm> form)
    : host_(host),
      events_(events),
      form_(std::move(form)),
      id_(form_->XWindow()),
      placement_(host.X(), design, host.TwipsPerPixel()) {
  Display& x = host_.X();
  xcb_connection_t* c = x.Connection();
  placement_.Attach(c, x.Root(), id_);
  // Another client's window: the program asks for the structure events
  // only, which any number of clients may take.
  const std::uint32_t events_wanted =
      XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
  xcb_change_window_attributes(c, id_, XCB_CW_EVENT_MASK, &events_wanted);
  if (host_.FrameExtentsRequestsAnswered()) {
    xcb_ewmh_request_frame_extents(&x.Ewmh(), 0, id_);
  }
  host_.Register(this);
}

GtkFormWindow::~GtkFormWindow() {
  host_.Unregister(this);
  form_.reset();
}

int GtkFormWindow::WindowState() const {
  return IsIconic(host_.X(), id_) ? kStateMinimised : kStateNormal;
}

// The client's place and size as the placement rule has them, in GTK's
// hands; the owner named before GTK maps the window. A round trip first, so
// that the server has the program's requests before GTK's.
void GtkFormWindow::Show(NativeWindow* owner) {
  if (shown_) {
    return;
  }
  Display& x = host_.X();
  xcb_connection_t* c = x.Connection();
  if (owner != nullptr) {
    xcb_icccm_set_wm_transient_for(c, id_, static_cast<xcb_window_t>(owner->Handle()));
    host_.BeginModal(this);
  }
  std::optional<FrameExtents> frame;
  if (host_.FrameExtentsRequestsAnswered()) {
    frame = AwaitFrameExtents(x.Ewmh(), id_,
                              [this](xcb_generic_event_t* event) { host_.KeepForLater(event); });
  }
  placement_.BeforeMap(frame);
  shown_ = true;
  Take(xcb_get_input_focus_reply, c, xcb_get_input_focus(c));
  form_->Show(placement_.ClientX(), placement_.ClientY(), placement_.ClientWidth(),
              placement_.ClientHeight(), host_.LastInputTime());
}

void GtkFormWindow::HandleEvent(const xcb_generic_event_t& event) {
  placement_.OnStructureEvent(host_.X().Ewmh(), event);
}

}  // namespace platform::x11
