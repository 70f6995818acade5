// The Qt reference: the same three duties written the way a Qt Widgets
// program usually is, with labels for lamps, a palette for their colour and
// QTimers, so the ornament can be held against what Qt costs anyway.
#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <array>

// Xlib's macros (Bool, Status, ...) clash with Qt's headers: Xlib comes last.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include "chase_sequence.h"

namespace {

class LampStrip : public QWidget {
 public:
  LampStrip() : QWidget(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint) {
    setWindowTitle("BRELLOCK bench Qt reference");
    resize(bench::kStripWidth, bench::kStripHeight);
    move(66, 66);
    auto* strip = new QLabel(this);
    strip->setGeometry(0, 0, bench::kStripWidth, bench::kStripHeight);
    Paint(strip, Qt::black);
    for (int n = 1; n <= bench::kLampCount; ++n) {
      QLabel* lamp = new QLabel(this);
      lamp->setGeometry(bench::LampLeft(n), bench::kLampTop, bench::kLampSize, bench::kLampSize);
      Paint(lamp, Qt::black);
      lamps_[n - 1] = lamp;
    }

    step_timer_.setTimerType(Qt::PreciseTimer);
    connect(&step_timer_, &QTimer::timeout, this, &LampStrip::Step);
    step_timer_.start(bench::kStepMs);
    connect(&num_lock_timer_, &QTimer::timeout, this, &LampStrip::PressNumLock);
    num_lock_timer_.start(bench::kNumLockMs);
    connect(&check_timer_, &QTimer::timeout, this, &LampStrip::KeepOnTop);
    check_timer_.start(bench::kActiveCheckMs);
  }

 private:
  static void Paint(QLabel* label, QColor colour) {
    label->setAutoFillBackground(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, colour);
    label->setPalette(palette);
  }

  static Display* XDisplay() {
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->display() : nullptr;
  }

  void Step() {
    const int now_lit = bench::kLitLampAfterStep[step_];
    if (lit_ != 0) {
      Paint(lamps_[lit_ - 1], Qt::black);
    }
    if (now_lit != 0) {
      Paint(lamps_[now_lit - 1], Qt::red);
    }
    lit_ = now_lit;
    step_ = (step_ + 1) % static_cast<int>(bench::kLitLampAfterStep.size());
  }

  void PressNumLock() {
    Display* display = XDisplay();
    if (display == nullptr) {
      return;
    }
    const KeyCode key = XKeysymToKeycode(display, XK_Num_Lock);
    XTestFakeKeyEvent(display, key, True, CurrentTime);
    XTestFakeKeyEvent(display, key, False, CurrentTime);
    XFlush(display);
  }

  void KeepOnTop() {
    Display* display = XDisplay();
    if (display == nullptr) {
      return;
    }
    const Window root = DefaultRootWindow(display);
    const Atom active_atom = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    Window active = None;
    if (XGetWindowProperty(display, root, active_atom, 0, 1, False, XA_WINDOW, &type, &format,
                           &count, &after, &data) == Success &&
        data != nullptr) {
      if (count == 1 && format == 32) {
        active = static_cast<Window>(*reinterpret_cast<unsigned long*>(data));
      }
      XFree(data);
    }
    const Window own = static_cast<Window>(winId());
    if (active == own) {
      return;
    }
    if (active != None) {
      SendAbove(display, root, active, false);
    }
    SendAbove(display, root, own, true);
    XFlush(display);
  }

  static void SendAbove(Display* display, Window root, Window window, bool above) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "_NET_WM_STATE", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = above ? 1 : 0;
    event.xclient.data.l[1] = static_cast<long>(XInternAtom(display, "_NET_WM_STATE_ABOVE", False));
    event.xclient.data.l[3] = 1;
    XSendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
  }

  std::array<QLabel*, bench::kLampCount> lamps_{};
  QTimer step_timer_;
  QTimer num_lock_timer_;
  QTimer check_timer_;
  int step_ = 0;
  int lit_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  LampStrip window;
  window.show();
  return app.exec();
}
