// What draws the controls that show text or a picture (the About window's):
// a module of its own, loaded the first time such a control is made, so that
// the text, font and picture libraries are not mapped while only the main
// window runs. Everything else of the backend is plain XCB.
#pragma once

#include <xcb/xcb.h>

#include <cstddef>
#include <string_view>

#include "platform/design.h"

namespace platform::x11 {

// The classic desktop colours the controls are drawn in (0xBBGGRR).
inline constexpr Colour kFaceColour = 0xC0C0C0;       // dialog and button faces
inline constexpr Colour kLightColour = 0xDFDFDF;      // inner lit edge
inline constexpr Colour kHighlightColour = 0xFFFFFF;  // outer lit edge
inline constexpr Colour kShadowColour = 0x808080;     // inner shadowed edge
inline constexpr Colour kDarkShadowColour = 0x000000;
inline constexpr Colour kWindowColour = 0xFFFFFF;  // inside text fields
inline constexpr Colour kWindowTextColour = 0x000000;
inline constexpr Colour kSelectionColour = 0x800000;  // navy
inline constexpr Colour kSelectionTextColour = 0xFFFFFF;

// A control as it stands now, for drawing.
struct ControlFace {
  const ControlDesign* design = nullptr;
  const FontDesign* font = nullptr;  // its own, or its window's
  std::string_view text;             // caption or text, line ends as "\n"
  Colour back_colour = 0;
  int width = 0, height = 0;  // pixels
  bool focused = false;
  bool pressed = false;                              // push buttons
  std::size_t selection_from = 0, selection_to = 0;  // text boxes: byte offsets
};

class ControlArt {
 public:
  virtual ~ControlArt() = default;
  virtual void Paint(xcb_window_t window, const ControlFace& face) = 0;
  // The byte offset in a text box's text nearest to a point inside it.
  virtual std::size_t TextOffsetAt(const ControlFace& face, int x, int y) = 0;
  // The picture's size in pixels at this resolution; 0 x 0 when it has none.
  virtual void PictureSize(std::string_view picture, int& width, int& height) = 0;
  // The width of one edge of the sunken 3-D border, in pixels.
  virtual int BorderWidth() const = 0;
};

}  // namespace platform::x11

// The module's one entry point, looked up by name.
extern "C" platform::x11::ControlArt* varn_make_control_art(xcb_connection_t* connection,
                                                            xcb_visualtype_t* visual,
                                                            double dots_per_inch);
