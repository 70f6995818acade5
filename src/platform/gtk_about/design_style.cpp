// The design's look as CSS.
#include "platform/gtk_about/design_style.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace platform::gtk_about {

namespace {

// 0xBBGGRR, red in the low byte, as CSS writes it.
std::string CssColour(Colour colour) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", colour & 0xFF, (colour >> 8) & 0xFF,
                (colour >> 16) & 0xFF);
  return text;
}

}  // namespace

int BorderPixels(double twips_per_pixel) {
  return std::max(1, static_cast<int>(std::lround(15.0 / twips_per_pixel)));
}

// Sizes in pixels at the display's resolution, whatever GDK takes it for.
// The design's face first, then faces that look like it, then whatever
// fontconfig finds for sans-serif.
std::string TextCss(const ControlDesign& control, const FontDesign& font, double twips_per_pixel) {
  std::string css;
  if (control.fore_colour) {
    css += "color: " + CssColour(*control.fore_colour) + ";";
  }
  char size[32];
  std::snprintf(size, sizeof size, "%.2fpx", font.points * 20.0 / twips_per_pixel);
  css += "font-family: \"" + std::string(font.face) +
         "\", \"Microsoft Sans Serif\", \"DejaVu Sans\", sans-serif;";
  css += std::string("font-size: ") + size + ";";
  css += "font-weight: " + std::to_string(font.weight) + ";";
  css += font.italic ? "font-style: italic;" : "font-style: normal;";
  if (font.underline || font.strikeout) {
    css +=
        font.underline ? "text-decoration-line: underline;" : "text-decoration-line: line-through;";
  }
  return css;
}

// A fixed single border is one dark line.
std::string LabelFaceCss(const ControlDesign& control, double twips_per_pixel) {
  std::string css;
  if (control.back_colour) {
    css += "background-color: " + CssColour(*control.back_colour) + ";";
  }
  if (control.border == Border::FixedSingle) {
    css += "border: " + std::to_string(BorderPixels(twips_per_pixel)) + "px solid #000000;";
  }
  return css;
}

std::string SunkenBorderCss(double twips_per_pixel) {
  return "border-style: inset; border-width: " + std::to_string(2 * BorderPixels(twips_per_pixel)) +
         "px;";
}

void StyleWidget(GtkWidget* widget, const std::string& declarations, const char* node_selector) {
  std::string css = "* {" + declarations + "}";
  if (node_selector != nullptr) {
    css = std::string(node_selector) + " {" + declarations + "}";
  }
  GtkCssProvider* provider = gtk_css_provider_new();
  gtk_css_provider_load_from_data(provider, css.c_str(), -1, nullptr);
  gtk_style_context_add_provider(gtk_widget_get_style_context(widget), GTK_STYLE_PROVIDER(provider),
                                 GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_object_unref(provider);
}

}  // namespace platform::gtk_about
