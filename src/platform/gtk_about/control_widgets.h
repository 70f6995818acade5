// The GTK widgets of one design row: labels, the push button, the locked
// text box and the picture box.
#pragma once

#include <gtk/gtk.h>

#include <string_view>

#include "platform/backend.h"
#include "platform/design.h"

namespace platform::gtk_about {

// What a window's controls share.
struct ControlContext {
  const FontDesign& window_font;  // for controls that set none
  double twips_per_pixel;
  WindowEvents& events;
};

struct ControlWidgets {
  GtkWidget* outer = nullptr;  // put in the layout; nullptr for a timer
  GtkWidget* face = nullptr;   // shows the text or the colour
  GtkWidget* focus = nullptr;  // takes the focus, where the control does
};

ControlWidgets MakeControlWidgets(const ControlContext& context, const ControlDesign& control,
                                  int row);
void SetText(const ControlWidgets& widgets, std::string_view text);
void SetBackColour(const ControlWidgets& widgets, const ControlDesign& control, Colour colour,
                   double twips_per_pixel);

}  // namespace platform::gtk_about
