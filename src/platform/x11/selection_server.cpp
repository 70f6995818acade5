// PRIMARY and CLIPBOARD served to other programs, ICCCM conversions.
#include "platform/x11/selection_server.h"

#include "platform/x11/x11_display.h"

namespace platform::x11 {

SelectionServer::SelectionServer(Display& display) : display_(display) {
  xcb_connection_t* c = display_.Connection();
  owner_ = OwnedWindow(c, xcb_generate_id(c));
  const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
  xcb_create_window(c, XCB_COPY_FROM_PARENT, owner_.Id(), display_.Root(), -1, -1, 1, 1, 0,
                    XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &events);
}

void SelectionServer::Offer(xcb_atom_t selection, std::string text, xcb_timestamp_t time) {
  (selection == XCB_ATOM_PRIMARY ? primary_text_ : clipboard_text_) = std::move(text);
  xcb_set_selection_owner(display_.Connection(), owner_.Id(), selection, time);
}

// The text as UTF8_STRING, STRING or TEXT, or the list of targets; anything
// else is refused. Old clients that name no property get the target.
void SelectionServer::OnSelectionRequest(const xcb_selection_request_event_t& request) {
  xcb_connection_t* c = display_.Connection();
  const Atoms& atoms = display_.Atom();
  const std::string& text = request.selection == XCB_ATOM_PRIMARY ? primary_text_ : clipboard_text_;
  const xcb_atom_t property = request.property != XCB_NONE ? request.property : request.target;
  xcb_selection_notify_event_t notify{};
  notify.response_type = XCB_SELECTION_NOTIFY;
  notify.time = request.time;
  notify.requestor = request.requestor;
  notify.selection = request.selection;
  notify.target = request.target;
  notify.property = property;
  if (request.target == atoms.targets) {
    const xcb_atom_t targets[] = {atoms.targets, atoms.utf8_string, XCB_ATOM_STRING, atoms.text};
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, request.requestor, property, XCB_ATOM_ATOM, 32, 4,
                        targets);
  } else if (request.target == atoms.utf8_string || request.target == XCB_ATOM_STRING ||
             request.target == atoms.text) {
    // The text is plain ASCII, which is also Latin-1.
    const xcb_atom_t type = request.target == atoms.text ? atoms.utf8_string : request.target;
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, request.requestor, property, type, 8,
                        static_cast<std::uint32_t>(text.size()), text.data());
  } else {
    notify.property = XCB_NONE;
  }
  xcb_send_event(c, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT,
                 reinterpret_cast<const char*>(&notify));
}

}  // namespace platform::x11
