// The GTK module (brellock-varn-on-about.so): a window of the program built
// from GTK 3's own widgets, so that the desktop's theme, clipboard and screen
// readers know its controls. Loaded when the first such window is made and
// never unloaded: GTK registers types that cannot go, and once it is loaded
// GLib's main context is driven by the program's loop for the rest of the run.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "platform/backend.h"
#include "platform/design.h"

namespace platform::gtk_about {

// What the module needs of the program, for every window it makes.
struct FormSetup {
  double twips_per_pixel = 15.0;
  // The program icon as _NET_WM_ICON holds it: width, height, then ARGB.
  std::vector<std::uint32_t> icon;
  // Runs the program's due timers. Making the first window loads GTK's
  // theme and fonts, tens of milliseconds in all: the lamps step between
  // the pieces.
  std::function<void()> meanwhile = [] {};
};

// One top-level window, made and realized (its X window exists) but hidden.
// Destroying it destroys the window.
class GtkForm {
 public:
  virtual ~GtkForm() = default;
  // The X window GTK made for it: the program places it and watches it.
  virtual std::uint32_t XWindow() const = 0;
  virtual void SetControlText(int control, std::string_view text) = 0;
  virtual void SetControlBackColour(int control, Colour colour) = 0;
  // Maps it with its client at x, y (static gravity) and that size, in
  // pixels; `user_time` is the X time of the input that asked for it, so
  // that the window manager gives it the focus.
  virtual void Show(int x, int y, int width, int height, std::uint32_t user_time) = 0;
};

}  // namespace platform::gtk_about

// The module's entry points, looked up by name. The first starts GTK (once;
// false when it cannot open the display, which is said on stderr), so that
// the program can run its timers between that and the window; the second
// makes a window, nullptr where GTK does not run. `events` outlives it.
extern "C" bool varn_start_gtk();
extern "C" platform::gtk_about::GtkForm* varn_make_gtk_form(
    const platform::FormDesign& design, platform::WindowEvents& events,
    const platform::gtk_about::FormSetup& setup);
