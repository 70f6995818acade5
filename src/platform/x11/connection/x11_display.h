// The connection to the X server and what every part of the backend reads
// from it once: the screen, the atoms, the EWMH names and the resolution.
#pragma once

#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

#include <memory>
#include <string>

namespace platform::x11 {

struct Atoms {
  xcb_atom_t wm_protocols = XCB_NONE;
  xcb_atom_t wm_delete_window = XCB_NONE;
  xcb_atom_t wm_state = XCB_NONE;
  xcb_atom_t motif_wm_hints = XCB_NONE;
  xcb_atom_t utf8_string = XCB_NONE;
  xcb_atom_t clipboard = XCB_NONE;
  xcb_atom_t targets = XCB_NONE;
  xcb_atom_t text = XCB_NONE;
};

class Display {
 public:
  // Connects to the display named in DISPLAY; Ok() says whether it worked.
  Display();
  ~Display();
  Display(const Display&) = delete;
  Display& operator=(const Display&) = delete;

  bool Ok() const;
  xcb_connection_t* Connection() const { return connection_; }
  const xcb_screen_t& Screen() const { return *screen_; }
  xcb_window_t Root() const { return screen_->root; }
  int ScreenNumber() const { return screen_number_; }
  const Atoms& Atom() const { return atoms_; }
  xcb_ewmh_connection_t& Ewmh() { return ewmh_; }
  // Dots per inch: Xft.dpi, else the screen's physical size, else 96.
  double DotsPerInch() const { return dots_per_inch_; }
  std::uint32_t PixelOf(std::uint32_t colour) const;  // a 0xBBGGRR colour on this screen

 private:
  xcb_connection_t* connection_ = nullptr;
  const xcb_screen_t* screen_ = nullptr;
  int screen_number_ = 0;
  Atoms atoms_;
  xcb_ewmh_connection_t ewmh_{};
  bool ewmh_ready_ = false;
  double dots_per_inch_ = 96.0;
};

// The Xft.dpi value in a resource database text, or 0 when it has none.
double XftDpi(const std::string& resources);

}  // namespace platform::x11
