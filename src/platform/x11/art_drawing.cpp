// Fills and 3-D edge rings of the classic look, in cairo.
#include "platform/x11/art_drawing.h"

namespace platform::x11 {

void SetColour(cairo_t* cr, Colour colour) {
  cairo_set_source_rgb(cr, (colour & 0xFF) / 255.0, ((colour >> 8) & 0xFF) / 255.0,
                       ((colour >> 16) & 0xFF) / 255.0);
}

void Fill(cairo_t* cr, double x, double y, double width, double height, Colour colour) {
  SetColour(cr, colour);
  cairo_rectangle(cr, x, y, width, height);
  cairo_fill(cr);
}

void EdgeRing(cairo_t* cr, double inset, double thickness, int width, int height, Colour lit,
              Colour shaded) {
  const double w = width - 2 * inset;
  const double h = height - 2 * inset;
  Fill(cr, inset, inset, w - thickness, thickness, lit);
  Fill(cr, inset, inset, thickness, h - thickness, lit);
  Fill(cr, inset, inset + h - thickness, w, thickness, shaded);
  Fill(cr, inset + w - thickness, inset, thickness, h, shaded);
}

}  // namespace platform::x11
