// A picture box: its picture inside a sunken border; with auto-size it
// takes the picture's size plus the border, whatever the design says. A
// press gives it the focus.
#include "platform/x11/control_art.h"
#include "platform/x11/drawn_control.h"

namespace platform::x11 {

namespace {

class PictureBox final : public DrawnControl {
 public:
  PictureBox(ControlContext& context, int row, xcb_window_t parent) : DrawnControl(context, row) {
    int width = WidthPixels(), height = HeightPixels();
    ControlArt* art = Art();
    if (Design().auto_size && art != nullptr) {
      int picture_width = 0, picture_height = 0;
      art->PictureSize(Design().picture, picture_width, picture_height);
      if (picture_width > 0 && picture_height > 0) {
        width = picture_width + 2 * art->BorderWidth();
        height = picture_height + 2 * art->BorderWidth();
      }
    }
    Create(parent, width, height, kEvents);
  }
};

}  // namespace

std::unique_ptr<X11Control> MakePictureBox(ControlContext& context, int row, xcb_window_t parent) {
  return std::make_unique<PictureBox>(context, row, parent);
}

}  // namespace platform::x11
