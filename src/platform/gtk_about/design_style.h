// A control's design (colours, font, border) as CSS on its GTK widget.
// Where the design sets nothing the theme's style stays.
#pragma once

#include <gtk/gtk.h>

#include <string>

#include "platform/design.h"

namespace platform::gtk_about {

// The design's pixel at this resolution: the width of a single border.
int BorderPixels(double twips_per_pixel);

// "color: ...; font-...": the design's text colour, if any, and font.
std::string TextCss(const ControlDesign& control, const FontDesign& font, double twips_per_pixel);
// "background-color: ...; border: ...": the label's own face.
std::string LabelFaceCss(const ControlDesign& control, double twips_per_pixel);
// The standard sunken 3-D border, twice a single one, in the theme's colour.
std::string SunkenBorderCss(double twips_per_pixel);

// `declarations` above the theme, for the widget's own node, or for the
// node inside it that `node_selector` names.
void StyleWidget(GtkWidget* widget, const std::string& declarations,
                 const char* node_selector = nullptr);

}  // namespace platform::gtk_about
