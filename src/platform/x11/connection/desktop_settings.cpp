// Following the XSETTINGS manager: the owner of the selection
// _XSETTINGS_S<screen> keeps the settings in a property of its window and
// announces itself with a MANAGER message to the root window.
#include "platform/x11/connection/desktop_settings.h"

#include <cstring>
#include <span>
#include <string>

#include "platform/x11/connection/x11_display.h"
#include "platform/x11/connection/xcb_owners.h"
#include "platform/x11/connection/xsettings_format.h"

namespace platform::x11 {

namespace {

xcb_intern_atom_cookie_t AskAtom(xcb_connection_t* connection, const std::string& name) {
  return xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(name.size()), name.data());
}

xcb_atom_t AtomOf(xcb_connection_t* connection, std::optional<xcb_intern_atom_cookie_t>& cookie) {
  const auto reply = Take(xcb_intern_atom_reply, connection, *cookie);
  cookie.reset();
  return reply ? reply->atom : XCB_NONE;
}

template <typename Cookie>
void DropAnswer(xcb_connection_t* connection, std::optional<Cookie>& cookie) {
  if (cookie) {
    xcb_discard_reply(connection, cookie->sequence);
    cookie.reset();
  }
}

// Values no desktop would mean are taken for a faulty manager's.
DoubleClickLimits LimitsFrom(const XSettingsIntegers& integers) {
  DoubleClickLimits limits;
  if (const auto time = integers.find("Net/DoubleClickTime");
      time != integers.end() && time->second > 0 && time->second <= 10000) {
    limits.time = static_cast<InputTime>(time->second);
  }
  if (const auto distance = integers.find("Net/DoubleClickDistance");
      distance != integers.end() && distance->second >= 0 && distance->second <= 1000) {
    limits.distance = distance->second;
  }
  return limits;
}

}  // namespace

DesktopSettings::DesktopSettings(Display& display) : display_(display) {
  xcb_connection_t* c = display_.Connection();
  selection_cookie_ = AskAtom(c, "_XSETTINGS_S" + std::to_string(display_.ScreenNumber()));
  settings_cookie_ = AskAtom(c, "_XSETTINGS_SETTINGS");
  manager_cookie_ = AskAtom(c, "MANAGER");
  // A manager that starts later says so to the root window's structure
  // listeners. Nothing else of the program listens to the root window.
  const std::uint32_t events = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
  xcb_change_window_attributes(c, display_.Root(), XCB_CW_EVENT_MASK, &events);
}

DesktopSettings::~DesktopSettings() {
  xcb_connection_t* c = display_.Connection();
  DropAnswer(c, selection_cookie_);
  DropAnswer(c, settings_cookie_);
  DropAnswer(c, manager_cookie_);
  DropAnswer(c, owner_cookie_);
  DropAnswer(c, settings_value_cookie_);
}

void DesktopSettings::TakeAtoms() {
  if (!selection_cookie_) {
    return;
  }
  xcb_connection_t* c = display_.Connection();
  selection_ = AtomOf(c, selection_cookie_);
  settings_ = AtomOf(c, settings_cookie_);
  manager_ = AtomOf(c, manager_cookie_);
  if (selection_ != XCB_NONE) {
    owner_cookie_ = xcb_get_selection_owner(c, selection_);
  }
}

// Listens to the owner's window before reading, so no change is missed.
void DesktopSettings::Watch(xcb_window_t owner) {
  owner_ = owner;
  if (owner_ == XCB_NONE) {
    Forget();
    return;
  }
  const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
  // The manager may already be gone: its window's error is of no interest.
  Discard(display_.Connection(), xcb_change_window_attributes_checked(display_.Connection(), owner_,
                                                                      XCB_CW_EVENT_MASK, &events));
  AskForSettings();
}

void DesktopSettings::AskForSettings() {
  xcb_connection_t* c = display_.Connection();
  DropAnswer(c, settings_value_cookie_);
  settings_value_cookie_ =
      xcb_get_property(c, 0, owner_, settings_, XCB_GET_PROPERTY_TYPE_ANY, 0, 65536);
}

void DesktopSettings::TakeAnswers() {
  xcb_connection_t* c = display_.Connection();
  TakeAtoms();
  if (owner_cookie_) {
    const auto reply = Take(xcb_get_selection_owner_reply, c, *owner_cookie_);
    owner_cookie_.reset();
    Watch(reply ? reply->owner : XCB_NONE);
  }
  if (settings_value_cookie_) {
    const auto reply = Take(xcb_get_property_reply, c, *settings_value_cookie_);
    settings_value_cookie_.reset();
    std::optional<XSettingsIntegers> integers;
    if (reply && reply->format == 8) {
      integers = ReadXSettingsIntegers(
          std::span(static_cast<const std::uint8_t*>(xcb_get_property_value(reply.get())),
                    static_cast<std::size_t>(xcb_get_property_value_length(reply.get()))));
    }
    limits_ = integers ? LimitsFrom(*integers) : DoubleClickLimits{};
  }
}

void DesktopSettings::Forget() {
  owner_ = XCB_NONE;
  DropAnswer(display_.Connection(), settings_value_cookie_);
  limits_ = {};
}

DoubleClickLimits DesktopSettings::DoubleClick() {
  TakeAnswers();
  return limits_;
}

bool DesktopSettings::OnEvent(const xcb_generic_event_t& event) {
  const std::uint8_t type = event.response_type & 0x7F;
  if (type != XCB_CLIENT_MESSAGE && type != XCB_PROPERTY_NOTIFY && type != XCB_DESTROY_NOTIFY) {
    return false;
  }
  TakeAnswers();  // the atoms and the owner to compare with
  switch (type) {
    case XCB_CLIENT_MESSAGE: {
      const auto& message = reinterpret_cast<const xcb_client_message_event_t&>(event);
      // MANAGER: the time, the selection, the new owner.
      if (message.window != display_.Root() || message.type != manager_ || message.format != 32 ||
          message.data.data32[1] != selection_) {
        return false;
      }
      Watch(message.data.data32[2]);
      return true;
    }
    case XCB_PROPERTY_NOTIFY: {
      const auto& notify = reinterpret_cast<const xcb_property_notify_event_t&>(event);
      if (owner_ == XCB_NONE || notify.window != owner_) {
        return false;
      }
      if (notify.atom == settings_) {
        AskForSettings();
      }
      return true;
    }
    default: {
      const auto& notify = reinterpret_cast<const xcb_destroy_notify_event_t&>(event);
      if (owner_ == XCB_NONE || notify.window != owner_) {
        return false;
      }
      Forget();
      return true;
    }
  }
}

}  // namespace platform::x11
