// The control art module: labels, push buttons, text boxes and picture boxes
// drawn in the classic look with cairo, their text laid out by pango (fonts
// matched through fontconfig), pictures decoded by libjpeg-turbo.
#include "platform/x11/control_art.h"

#include <cairo-xcb.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/x11/art_drawing.h"
#include "platform/x11/jpeg_picture.h"

namespace platform::x11 {

std::span<const unsigned char> Picture(std::string_view name);

namespace {

class ClassicControlArt final : public ControlArt {
 public:
  ClassicControlArt(xcb_connection_t* connection, xcb_visualtype_t* visual, double dots_per_inch)
      : connection_(connection),
        visual_(visual),
        scale_(dots_per_inch / 96.0),
        font_map_(pango_cairo_font_map_new()),
        context_(pango_font_map_create_context(font_map_.get())) {
    pango_cairo_context_set_resolution(context_.get(), dots_per_inch);
  }

  ~ClassicControlArt() override {
    for (auto& [name, image] : pictures_) {
      if (image != nullptr) {
        cairo_surface_destroy(image);
      }
    }
  }

  int BorderWidth() const override { return std::max(1, static_cast<int>(scale_ + 0.5)) * 2; }

  void PictureSize(std::string_view picture, int& width, int& height) override {
    cairo_surface_t* image = PictureNamed(picture);
    width = image ? static_cast<int>(cairo_image_surface_get_width(image) * scale_ + 0.5) : 0;
    height = image ? static_cast<int>(cairo_image_surface_get_height(image) * scale_ + 0.5) : 0;
  }

  void Paint(xcb_window_t window, const ControlFace& face) override {
    const OwnedSurface surface(
        cairo_xcb_surface_create(connection_, window, visual_, face.width, face.height));
    const OwnedCairo cr(cairo_create(surface.get()));
    // Drawn aside and shown at once, so nothing flickers.
    cairo_push_group(cr.get());
    switch (face.design->kind) {
      case ControlKind::Label:
        PaintLabel(cr.get(), face);
        break;
      case ControlKind::PushButton:
        PaintButton(cr.get(), face);
        break;
      case ControlKind::TextBox:
        PaintTextBox(cr.get(), face);
        break;
      case ControlKind::PictureBox:
        PaintPictureBox(cr.get(), face);
        break;
      case ControlKind::Timer:
        break;
    }
    cairo_pop_group_to_source(cr.get());
    cairo_paint(cr.get());
    cairo_surface_flush(surface.get());
    xcb_flush(connection_);
  }

  std::size_t TextOffsetAt(const ControlFace& face, int x, int y) override {
    const OwnedLayout layout = TextBoxLayout(face);
    const int inset = TextInset();
    int index = 0, trailing = 0;
    pango_layout_xy_to_index(layout.get(), (x - inset) * PANGO_SCALE, (y - inset) * PANGO_SCALE,
                             &index, &trailing);
    return std::min(face.text.size(), static_cast<std::size_t>(index + trailing));
  }

 private:
  int Pixels(double at_96_dpi) const { return static_cast<int>(at_96_dpi * scale_ + 0.5); }
  int TextInset() const { return BorderWidth() + Pixels(1); }

  OwnedLayout LayoutFor(const ControlFace& face, int width, bool centred) const {
    OwnedLayout layout(pango_layout_new(context_.get()));
    const FontDesign& font = *face.font;
    // The design's face first, then faces that look like it, then whatever
    // fontconfig finds for sans-serif.
    const std::string families =
        std::string(font.face) + ",Microsoft Sans Serif,DejaVu Sans,sans-serif";
    const OwnedFont description(pango_font_description_new());
    pango_font_description_set_family(description.get(), families.c_str());
    pango_font_description_set_size(description.get(),
                                    static_cast<int>(font.points * PANGO_SCALE + 0.5f));
    pango_font_description_set_weight(description.get(), static_cast<PangoWeight>(font.weight));
    pango_font_description_set_style(description.get(),
                                     font.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    pango_layout_set_font_description(layout.get(), description.get());
    pango_layout_set_text(layout.get(), face.text.data(), static_cast<int>(face.text.size()));
    pango_layout_set_width(layout.get(), std::max(1, width) * PANGO_SCALE);
    pango_layout_set_wrap(layout.get(), PANGO_WRAP_WORD_CHAR);
    pango_layout_set_alignment(layout.get(), centred ? PANGO_ALIGN_CENTER : PANGO_ALIGN_LEFT);
    if (font.underline || font.strikeout) {
      OwnedAttributes attributes(pango_attr_list_new());
      if (font.underline) {
        pango_attr_list_insert(attributes.get(), pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
      }
      if (font.strikeout) {
        pango_attr_list_insert(attributes.get(), pango_attr_strikethrough_new(TRUE));
      }
      pango_layout_set_attributes(layout.get(), attributes.get());
    }
    return layout;
  }

  OwnedLayout TextBoxLayout(const ControlFace& face) const {
    return LayoutFor(face, face.width - 2 * TextInset(),
                     face.design->alignment == Alignment::Centre);
  }

  void ShowText(cairo_t* cr, PangoLayout* layout, double x, double y, Colour colour) const {
    SetColour(cr, colour);
    cairo_move_to(cr, x, y);
    pango_cairo_show_layout(cr, layout);
  }

  // Text at the top of the inside, in the label's colours; a fixed single
  // border is one dark line.
  void PaintLabel(cairo_t* cr, const ControlFace& face) const {
    Fill(cr, 0, 0, face.width, face.height, face.back_colour);
    const int border = face.design->border == Border::FixedSingle ? Pixels(1) : 0;
    if (border > 0) {
      EdgeRing(cr, 0, border, face.width, face.height, kDarkShadowColour, kDarkShadowColour);
    }
    const OwnedLayout layout =
        LayoutFor(face, face.width - 2 * border, face.design->alignment == Alignment::Centre);
    ShowText(cr, layout.get(), border, border,
             face.design->fore_colour.value_or(kWindowTextColour));
  }

  // Raised, or sunk while pressed, with its caption in the middle and the
  // dotted focus rectangle inside the edge while it has the focus.
  void PaintButton(cairo_t* cr, const ControlFace& face) const {
    const int edge = Pixels(1);
    Fill(cr, 0, 0, face.width, face.height, face.back_colour);
    if (face.pressed) {
      EdgeRing(cr, 0, edge, face.width, face.height, kDarkShadowColour, kDarkShadowColour);
      EdgeRing(cr, edge, edge, face.width, face.height, kShadowColour, kShadowColour);
    } else {
      EdgeRing(cr, 0, edge, face.width, face.height, kHighlightColour, kDarkShadowColour);
      EdgeRing(cr, edge, edge, face.width, face.height, kLightColour, kShadowColour);
    }
    const OwnedLayout layout = LayoutFor(face, face.width, true);
    int text_width = 0, text_height = 0;
    pango_layout_get_pixel_size(layout.get(), &text_width, &text_height);
    const int shift = face.pressed ? edge : 0;
    ShowText(cr, layout.get(), shift, (face.height - text_height) / 2 + shift, kWindowTextColour);
    if (face.focused) {
      const double inset = Pixels(4) + 0.5;
      SetColour(cr, kWindowTextColour);
      cairo_set_line_width(cr, 1);
      const double dots[] = {1.0};
      cairo_set_dash(cr, dots, 1, 0);
      cairo_rectangle(cr, inset, inset, face.width - 2 * inset, face.height - 2 * inset);
      cairo_stroke(cr);
      cairo_set_dash(cr, nullptr, 0, 0);
    }
  }

  void SunkenBorder(cairo_t* cr, const ControlFace& face) const {
    const int edge = BorderWidth() / 2;
    EdgeRing(cr, 0, edge, face.width, face.height, kShadowColour, kHighlightColour);
    EdgeRing(cr, edge, edge, face.width, face.height, kDarkShadowColour, kLightColour);
  }

  // The window colours, the selection in the highlight colours, and the
  // caret where the selection is empty and the box has the focus.
  void PaintTextBox(cairo_t* cr, const ControlFace& face) const {
    Fill(cr, 0, 0, face.width, face.height, kWindowColour);
    if (face.design->border == Border::FixedSingle) {
      SunkenBorder(cr, face);
    }
    const int inset = TextInset();
    const OwnedLayout layout = TextBoxLayout(face);
    cairo_save(cr);
    cairo_rectangle(cr, BorderWidth(), BorderWidth(), face.width - 2 * BorderWidth(),
                    face.height - 2 * BorderWidth());
    cairo_clip(cr);
    if (face.selection_from < face.selection_to) {
      OwnedAttributes attributes(pango_attr_list_new());
      const auto colour = [](Colour c, int shift) {
        return static_cast<guint16>(((c >> shift) & 0xFF) * 257);
      };
      PangoAttribute* back = pango_attr_background_new(
          colour(kSelectionColour, 0), colour(kSelectionColour, 8), colour(kSelectionColour, 16));
      PangoAttribute* fore = pango_attr_foreground_new(colour(kSelectionTextColour, 0),
                                                       colour(kSelectionTextColour, 8),
                                                       colour(kSelectionTextColour, 16));
      for (PangoAttribute* attribute : {back, fore}) {
        attribute->start_index = static_cast<guint>(face.selection_from);
        attribute->end_index = static_cast<guint>(face.selection_to);
        pango_attr_list_insert(attributes.get(), attribute);
      }
      pango_layout_set_attributes(layout.get(), attributes.get());
    }
    ShowText(cr, layout.get(), inset, inset, kWindowTextColour);
    if (face.focused && face.selection_from == face.selection_to) {
      PangoRectangle caret{};
      pango_layout_get_cursor_pos(layout.get(), static_cast<int>(face.selection_from), &caret,
                                  nullptr);
      Fill(cr, inset + caret.x / PANGO_SCALE, inset + caret.y / PANGO_SCALE, Pixels(1),
           caret.height / PANGO_SCALE, kWindowTextColour);
    }
    cairo_restore(cr);
  }

  void PaintPictureBox(cairo_t* cr, const ControlFace& face) {
    Fill(cr, 0, 0, face.width, face.height, face.back_colour);
    const int border = face.design->border == Border::FixedSingle ? BorderWidth() : 0;
    if (border > 0) {
      SunkenBorder(cr, face);
    }
    if (cairo_surface_t* image = PictureNamed(face.design->picture)) {
      cairo_save(cr);
      cairo_rectangle(cr, border, border, face.width - 2 * border, face.height - 2 * border);
      cairo_clip(cr);
      cairo_translate(cr, border, border);
      cairo_scale(cr, scale_, scale_);
      cairo_set_source_surface(cr, image, 0, 0);
      cairo_paint(cr);
      cairo_restore(cr);
    }
  }

  cairo_surface_t* PictureNamed(std::string_view name) {
    const std::string key(name);
    auto found = pictures_.find(key);
    if (found == pictures_.end()) {
      found = pictures_.emplace(key, DecodeJpeg(Picture(name))).first;
    }
    return found->second;
  }

  xcb_connection_t* connection_;
  xcb_visualtype_t* visual_;
  double scale_;
  OwnedFontMap font_map_;
  OwnedContext context_;
  std::map<std::string, cairo_surface_t*> pictures_;
};

}  // namespace

}  // namespace platform::x11

extern "C" __attribute__((visibility("default"))) platform::x11::ControlArt* varn_make_control_art(
    xcb_connection_t* connection, xcb_visualtype_t* visual, double dots_per_inch) {
  if (visual == nullptr) {
    return nullptr;
  }
  return new platform::x11::ClassicControlArt(connection, visual, dots_per_inch);
}
