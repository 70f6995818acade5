#include "qt_window.h"

#include <QCloseEvent>
#include <QFile>
#include <QGuiApplication>
#include <QIcon>
#include <QScreen>
#include <QWindow>
#include <algorithm>

#include "icon_image.h"
#include "qt_backend.h"
#include "qt_controls.h"
#include "xcb_window_hints.h"

namespace platform::qt {

namespace {

constexpr Qt::WindowFlags kToolWindowFlags =
    Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;

// Until the window manager says otherwise: a thin border and a small caption.
constexpr QMargins kAssumedFrame(4, 22, 4, 4);

QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QtWindow::QtWindow(QtBackend& backend, const FormDesign& design, WindowEvents& events)
    : QWidget(nullptr, kToolWindowFlags),
      backend_(backend),
      design_(design),
      events_(events),
      twips_per_pixel_(backend.TwipsPerPixel()),
      frame_(backend.KnownFrame().value_or(kAssumedFrame)) {
  setWindowTitle(ToQString(design.caption));
  if (!design.icon.empty()) {
    QFile icon(QStringLiteral(":/") + ToQString(design.icon));
    if (icon.open(QIODevice::ReadOnly)) {
      setWindowIcon(QIcon(QPixmap::fromImage(ReadIconFile(icon.readAll()))));
    }
  }
  if (design.back_colour) {
    QPalette face = palette();
    face.setColor(QPalette::Window, ToQColor(*design.back_colour));
    setPalette(face);
  }
  setFont(ToQFont(design.font));
  BuildControls();

  const QSize client(TwipsToPixels(design.client_width, twips_per_pixel_),
                     TwipsToPixels(design.client_height, twips_per_pixel_));
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  QRect outer(QPoint(), client.grownBy(frame_));
  if (design.start_position == StartPosition::CentreScreen) {
    outer.moveCenter(screen.center());
  } else {
    const int inch = TwipsToPixels(1440, twips_per_pixel_);
    outer.moveTopLeft(screen.topLeft() + QPoint(inch, inch));
  }

  // The X window exists from here on, so its properties are in place before
  // the window manager first sees it mapped.
  const xcb_window_t id = static_cast<xcb_window_t>(winId());
  if (xcb_connection_t* connection = backend_.Connection()) {
    MarkUtilityWithoutTaskbar(connection, id);
    RequestFrameExtents(connection, id);
  }
  PlaceOuter(outer);
  backend_.Register(this);
}

QtWindow::~QtWindow() {
  backend_.Unregister(this);
}

void QtWindow::BuildControls() {
  int index = 0;
  for (const ControlDesign& control : design_.controls) {
    ControlCallbacks callbacks;
    if (control.handles_click) {
      callbacks.click = [this, index] {
        backend_.Deliver(this, [this, index] { events_.OnControlClick(index); });
      };
    }
    if (control.handles_dbl_click) {
      callbacks.double_click = [this, index] {
        backend_.Deliver(this, [this, index] { events_.OnControlDblClick(index); });
      };
    }
    QWidget* widget = CreateControl(this, control, twips_per_pixel_, std::move(callbacks));
    if (widget != nullptr) {
      // The table lists the topmost control first: each later one goes under.
      widget->lower();
    }
    controls_.push_back(widget);
    ++index;
  }

  std::vector<std::size_t> tab_stops;
  for (std::size_t i = 0; i < design_.controls.size(); ++i) {
    if (controls_[i] != nullptr && design_.controls[i].takes_focus) {
      tab_stops.push_back(i);
    }
  }
  std::ranges::sort(tab_stops, [this](std::size_t a, std::size_t b) {
    return design_.controls[a].tab_index < design_.controls[b].tab_index;
  });
  for (std::size_t i = 1; i < tab_stops.size(); ++i) {
    QWidget::setTabOrder(controls_[tab_stops[i - 1]], controls_[tab_stops[i]]);
  }
}

QRect QtWindow::OuterPixels() const {
  return geometry().marginsAdded(frame_);
}

void QtWindow::PlaceOuter(const QRect& outer) {
  placed_outer_ = outer;
  QRect client = outer.marginsRemoved(frame_);
  // X has no empty windows.
  client.setWidth(std::max(client.width(), 1));
  client.setHeight(std::max(client.height(), 1));
  setGeometry(client);
}

Twips QtWindow::Left() const {
  return left_.Read(OuterPixels().x(), twips_per_pixel_);
}
Twips QtWindow::Top() const {
  return top_.Read(OuterPixels().y(), twips_per_pixel_);
}
Twips QtWindow::Width() const {
  return width_.Read(OuterPixels().width(), twips_per_pixel_);
}
Twips QtWindow::Height() const {
  return height_.Read(OuterPixels().height(), twips_per_pixel_);
}

void QtWindow::SetLeft(Twips value) {
  QRect outer = OuterPixels();
  outer.moveLeft(left_.Assign(value, twips_per_pixel_));
  PlaceOuter(outer);
}
void QtWindow::SetTop(Twips value) {
  QRect outer = OuterPixels();
  outer.moveTop(top_.Assign(value, twips_per_pixel_));
  PlaceOuter(outer);
}
void QtWindow::SetWidth(Twips value) {
  QRect outer = OuterPixels();
  outer.setWidth(width_.Assign(value, twips_per_pixel_));
  PlaceOuter(outer);
}
void QtWindow::SetHeight(Twips value) {
  QRect outer = OuterPixels();
  outer.setHeight(height_.Assign(value, twips_per_pixel_));
  PlaceOuter(outer);
}

int QtWindow::WindowState() const {
  const Qt::WindowStates state = windowState();
  if (state & Qt::WindowMinimized) {
    return kStateMinimised;
  }
  if (state & (Qt::WindowMaximized | Qt::WindowFullScreen)) {
    return kStateMaximised;
  }
  return kStateNormal;
}

void QtWindow::SetControlBackColour(int control, Colour colour) {
  if (QWidget* widget = controls_.at(static_cast<std::size_t>(control))) {
    SetControlColour(widget, design_.controls[static_cast<std::size_t>(control)], colour);
  }
}

void QtWindow::SetControlText(int control, std::string_view text) {
  if (QWidget* widget = controls_.at(static_cast<std::size_t>(control))) {
    SetControlCaption(widget, design_.controls[static_cast<std::size_t>(control)], text);
  }
}

void QtWindow::Show(NativeWindow* owner) {
  if (auto* owner_window = dynamic_cast<QtWindow*>(owner)) {
    // Transient for the owner itself (not Qt's hidden leader window), so the
    // window manager keeps it above the owner and treats it as its dialog.
    windowHandle()->setTransientParent(owner_window->windowHandle());
    setWindowModality(Qt::ApplicationModal);
  }
  show();
  raise();
  activateWindow();
  FocusFirstControl();
}

void QtWindow::FocusFirstControl() {
  QWidget* first = nullptr;
  int first_tab_index = 0;
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    const ControlDesign& control = design_.controls[i];
    if (controls_[i] != nullptr && control.takes_focus &&
        (first == nullptr || control.tab_index < first_tab_index)) {
      first = controls_[i];
      first_tab_index = control.tab_index;
    }
  }
  if (first != nullptr) {
    first->setFocus(Qt::OtherFocusReason);
  }
}

void QtWindow::RequestClose() {
  backend_.Deliver(this, [this] { events_.OnCloseRequest(); });
}

void QtWindow::FrameExtentsChanged() {
  xcb_connection_t* connection = backend_.Connection();
  if (connection == nullptr) {
    return;
  }
  const std::optional<QMargins> extents =
      FrameExtents(connection, static_cast<xcb_window_t>(winId()));
  if (!extents) {
    return;
  }
  if (frame_known_) {
    // A later change (a theme, a maximised window losing its border) leaves
    // the client area where it is, as the window manager does.
    frame_ = *extents;
    return;
  }
  // The first real extents replace the guess the window was placed with: put
  // the outer rectangle where it was asked to be. The window's own position
  // may be a passing one while the window manager maps it.
  frame_known_ = true;
  backend_.LearnFrame(*extents);
  if (*extents != frame_) {
    frame_ = *extents;
    PlaceOuter(placed_outer_);
  }
}

void QtWindow::closeEvent(QCloseEvent* event) {
  // Only the program closes its windows: it may want to save or unload others
  // first.
  event->ignore();
  RequestClose();
}

}  // namespace platform::qt
