// One top-level window of the program: a utility window with a close box
// only, its controls at their design positions, and its outer rectangle
// (frame included) read and set in twips.
#pragma once

#include <xcb/xcb.h>

#include <QMargins>
#include <QWidget>
#include <vector>

#include "platform/backend.h"
#include "platform/twips.h"

namespace platform::qt {

class QtBackend;

class QtWindow final : public QWidget, public platform::NativeWindow {
 public:
  QtWindow(QtBackend& backend, const FormDesign& design, WindowEvents& events);
  ~QtWindow() override;

  Twips Left() const override;
  Twips Top() const override;
  Twips Width() const override;
  Twips Height() const override;
  void SetLeft(Twips value) override;
  void SetTop(Twips value) override;
  void SetWidth(Twips value) override;
  void SetHeight(Twips value) override;
  int WindowState() const override;
  WindowHandle Handle() const override { return static_cast<WindowHandle>(winId()); }
  void SetControlBackColour(int control, Colour colour) override;
  void SetControlText(int control, std::string_view text) override;
  void Show(NativeWindow* owner) override;

  // The window manager asked to close the window (or the close box was
  // pressed); the program decides what happens.
  void RequestClose();
  // The window manager published (new) frame extents for this window.
  void FrameExtentsChanged();

  // The outer rectangle in pixels, as the window stands now.
  QRect OuterPixels() const;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void PlaceOuter(const QRect& outer);
  void BuildControls();
  void FocusFirstControl();

  QtBackend& backend_;
  const FormDesign& design_;
  WindowEvents& events_;
  double twips_per_pixel_;
  QMargins frame_;  // the frame the window manager gives, or our best guess
  bool frame_known_ = false;
  QRect placed_outer_;              // where the program last put the window
  std::vector<QWidget*> controls_;  // by design index; nullptr for timers
  TwipsCoordinate left_, top_, width_, height_;
};

}  // namespace platform::qt
