// The drawing pieces of the control art module: owners for cairo and pango
// objects, and the fills and 3-D edge rings of the classic look.
#pragma once

#include <cairo.h>
#include <pango/pangocairo.h>

#include <memory>

#include "platform/design.h"

namespace platform::x11 {

template <typename T, void (*Free)(T*)>
struct Freer {
  void operator()(T* pointer) const { Free(pointer); }
};
template <typename T, void (*Free)(T*)>
using Owned = std::unique_ptr<T, Freer<T, Free>>;
using OwnedSurface = Owned<cairo_surface_t, cairo_surface_destroy>;
using OwnedCairo = Owned<cairo_t, cairo_destroy>;
using OwnedFont = Owned<PangoFontDescription, pango_font_description_free>;
using OwnedAttributes = Owned<PangoAttrList, pango_attr_list_unref>;
struct ObjectFreer {
  void operator()(void* object) const { g_object_unref(object); }
};
using OwnedLayout = std::unique_ptr<PangoLayout, ObjectFreer>;
using OwnedContext = std::unique_ptr<PangoContext, ObjectFreer>;
using OwnedFontMap = std::unique_ptr<PangoFontMap, ObjectFreer>;

void SetColour(cairo_t* cr, Colour colour);
void Fill(cairo_t* cr, double x, double y, double width, double height, Colour colour);
// One ring of a 3-D edge, `thickness` pixels wide: `lit` along the top and
// left, `shaded` along the bottom and right.
void EdgeRing(cairo_t* cr, double inset, double thickness, int width, int height, Colour lit,
              Colour shaded);

}  // namespace platform::x11
