// The child widgets a window's design table turns into: labels as plain
// painted rectangles, and Qt's own button, text box and picture widgets.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>
#include <functional>

#include "platform/design.h"

namespace platform::qt {

QColor ToQColor(Colour colour);

// The design's face where the system has it, else a close sans-serif.
QFont ToQFont(const FontDesign& font);

// An opaque rectangle of its back colour, with an optional centred caption
// and a one-pixel border. No style and no layout, so it looks the same
// everywhere and repaints cheaply when a lamp changes colour.
class LabelWidget : public QWidget {
 public:
  LabelWidget(QWidget* parent, const ControlDesign& design);

  void SetBackColour(Colour colour);
  void SetCaption(const QString& caption);
  Colour BackColour() const { return back_colour_; }
  const QString& Caption() const { return caption_; }

  // Set when the program listens to this label's double-clicks.
  std::function<void()> OnDoubleClick;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  Colour back_colour_;
  QColor fore_colour_;
  QString caption_;
  bool border_;
  Qt::Alignment alignment_;
};

struct ControlCallbacks {
  std::function<void()> click;
  std::function<void()> double_click;
};

// Creates the control as a child of `parent` at its design rectangle, or
// returns nullptr for controls that have no window (timers).
QWidget* CreateControl(QWidget* parent, const ControlDesign& design, double twips_per_pixel,
                       ControlCallbacks callbacks);

void SetControlColour(QWidget* control, const ControlDesign& design, Colour colour);
void SetControlCaption(QWidget* control, const ControlDesign& design, std::string_view text);

}  // namespace platform::qt
