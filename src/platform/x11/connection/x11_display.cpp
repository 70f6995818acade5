// The X connection, its screen, atoms, EWMH names and resolution.
#include "platform/x11/connection/x11_display.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>

#include "platform/x11/connection/xcb_owners.h"

namespace platform::x11 {

namespace {

xcb_intern_atom_cookie_t AskAtom(xcb_connection_t* connection, const char* name) {
  return xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
}

// The screen of that number, or the first one (then `number` becomes 0).
const xcb_screen_t* ScreenOfNumber(xcb_connection_t* connection, int& number) {
  xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
  const xcb_screen_t* first = screens.data;
  for (int index = 0; screens.rem > 0; ++index, xcb_screen_next(&screens)) {
    if (index == number) {
      return screens.data;
    }
  }
  number = 0;
  return first;
}

}  // namespace

double XftDpi(const std::string& resources) {
  std::string_view rest(resources);
  while (!rest.empty()) {
    const std::size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    constexpr std::string_view kName = "Xft.dpi:";
    if (!line.starts_with(kName)) {
      continue;
    }
    line.remove_prefix(kName.size());
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) {
      line.remove_prefix(1);
    }
    double dpi = 0;
    const auto [end_of_number, error] =
        std::from_chars(line.data(), line.data() + line.size(), dpi);
    if (error == std::errc() && dpi >= 24 && dpi <= 2400) {
      return dpi;
    }
  }
  return 0;
}

Display::Display() {
  int screen_number = 0;
  connection_ = xcb_connect(nullptr, &screen_number);
  if (xcb_connection_has_error(connection_) != 0) {
    return;
  }
  screen_ = ScreenOfNumber(connection_, screen_number);
  screen_number_ = screen_number;
  if (screen_ == nullptr) {
    return;
  }

  // Every question goes out before the first answer is awaited.
  constexpr std::array<const char*, 8> kNames = {
      "WM_PROTOCOLS", "WM_DELETE_WINDOW", "WM_STATE", "_MOTIF_WM_HINTS",
      "UTF8_STRING",  "CLIPBOARD",        "TARGETS",  "TEXT"};
  std::array<xcb_intern_atom_cookie_t, kNames.size()> cookies{};
  for (std::size_t i = 0; i < kNames.size(); ++i) {
    cookies[i] = AskAtom(connection_, kNames[i]);
  }
  xcb_intern_atom_cookie_t* ewmh_cookies = xcb_ewmh_init_atoms(connection_, &ewmh_);
  const xcb_get_property_cookie_t resources = xcb_get_property(
      connection_, 0, screen_->root, XCB_ATOM_RESOURCE_MANAGER, XCB_ATOM_STRING, 0, 16384);

  const std::array<xcb_atom_t*, kNames.size()> targets = {
      &atoms_.wm_protocols, &atoms_.wm_delete_window, &atoms_.wm_state, &atoms_.motif_wm_hints,
      &atoms_.utf8_string,  &atoms_.clipboard,        &atoms_.targets,  &atoms_.text};
  for (std::size_t i = 0; i < kNames.size(); ++i) {
    const auto reply = Take(xcb_intern_atom_reply, connection_, cookies[i]);
    *targets[i] = reply ? reply->atom : XCB_NONE;
  }
  ewmh_ready_ = xcb_ewmh_init_atoms_replies(&ewmh_, ewmh_cookies, nullptr) != 0;

  double dpi = 0;
  if (const auto reply = Take(xcb_get_property_reply, connection_, resources)) {
    dpi = XftDpi(std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                             static_cast<std::size_t>(xcb_get_property_value_length(reply.get()))));
  }
  // The size in millimetres is a whole number, so the resolution made from it
  // is only good to the whole dot per inch.
  if (dpi == 0 && screen_->height_in_millimeters > 0) {
    dpi = std::round(screen_->height_in_pixels * 25.4 / screen_->height_in_millimeters);
  }
  dots_per_inch_ = dpi >= 24 && dpi <= 2400 ? dpi : 96.0;
}

Display::~Display() {
  if (ewmh_ready_) {
    xcb_ewmh_connection_wipe(&ewmh_);
  }
  xcb_disconnect(connection_);
}

bool Display::Ok() const {
  return screen_ != nullptr && ewmh_ready_ && xcb_connection_has_error(connection_) == 0;
}

// A TrueColor screen of 24 bits, red in the high byte, as every X server of
// today gives.
std::uint32_t Display::PixelOf(std::uint32_t colour) const {
  const std::uint32_t red = colour & 0xFF;
  const std::uint32_t green = (colour >> 8) & 0xFF;
  const std::uint32_t blue = (colour >> 16) & 0xFF;
  return (red << 16) | (green << 8) | blue;
}

}  // namespace platform::x11
