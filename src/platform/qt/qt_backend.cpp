#include "qt_backend.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <chrono>

#include "platform/twips.h"
#include "qt_window.h"
#include "x11_desktop.h"
#include "xcb_window_hints.h"

// The images are in a static library; nothing would pull them in otherwise.
static void LoadBuiltInImages() {
  Q_INIT_RESOURCE(assets);
}

namespace platform::qt {

namespace {

xcb_connection_t* X11Connection() {
  auto* x11 =
      qApp != nullptr ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 != nullptr ? x11->connection() : nullptr;
}

}  // namespace

// Sees the window manager's messages before Qt does. Qt drops a close
// request for a window that a modal window blocks, but the program must hear
// it: closing the main window unloads the About window first.
class QtBackend::WindowManagerFilter : public QAbstractNativeEventFilter {
 public:
  WindowManagerFilter(QtBackend& backend, xcb_connection_t* connection)
      : backend_(backend),
        wm_protocols_(InternAtom(connection, "WM_PROTOCOLS")),
        wm_delete_window_(InternAtom(connection, "WM_DELETE_WINDOW")),
        frame_extents_(InternAtom(connection, "_NET_FRAME_EXTENTS")) {}

  bool nativeEventFilter(const QByteArray& type, void* message, qintptr* /*result*/) override {
    if (type != "xcb_generic_event_t") {
      return false;
    }
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    switch (event->response_type & 0x7F) {
      case XCB_CLIENT_MESSAGE: {
        const auto* client = reinterpret_cast<const xcb_client_message_event_t*>(event);
        if (client->format == 32 && client->type == wm_protocols_ &&
            client->data.data32[0] == wm_delete_window_) {
          if (QtWindow* window = backend_.WindowWithId(client->window)) {
            window->RequestClose();
            return true;
          }
        }
        break;
      }
      case XCB_PROPERTY_NOTIFY: {
        const auto* property = reinterpret_cast<const xcb_property_notify_event_t*>(event);
        if (property->atom == frame_extents_) {
          if (QtWindow* window = backend_.WindowWithId(property->window)) {
            backend_.Deliver(window, [window] { window->FrameExtentsChanged(); });
          }
        }
        break;
      }
      default:
        break;
    }
    return false;
  }

 private:
  QtBackend& backend_;
  xcb_atom_t wm_protocols_;
  xcb_atom_t wm_delete_window_;
  xcb_atom_t frame_extents_;
};

QtBackend::QtBackend() : connection_(X11Connection()) {
  LoadBuiltInImages();
  if (connection_ != nullptr) {
    filter_ = std::make_unique<WindowManagerFilter>(*this, connection_);
    QCoreApplication::instance()->installNativeEventFilter(filter_.get());
  }
  stacking_ = std::make_unique<X11Stacking>(connection_);
  keys_ = std::make_unique<X11Keys>(connection_);
}

QtBackend::~QtBackend() {
  if (filter_) {
    QCoreApplication::instance()->removeNativeEventFilter(filter_.get());
  }
}

WindowStacking& QtBackend::Stacking() {
  return *stacking_;
}

KeyInjector& QtBackend::Keys() {
  return *keys_;
}

TimePoint QtBackend::Now() {
  return std::chrono::duration_cast<TimePoint>(std::chrono::steady_clock::now().time_since_epoch());
}

void QtBackend::RequestWake(std::optional<TimePoint> when) {
  if (when == wake_at_) {
    return;
  }
  wake_at_ = when;
  if (wake_at_) {
    wake_timer_.ArmAt(*wake_at_);
  } else {
    wake_timer_.Cancel();
  }
}

void QtBackend::WakeTimerFired() {
  if (!wake_at_) {
    return;
  }
  if (Now() < *wake_at_) {
    wake_timer_.ArmAt(*wake_at_);  // never wake the scheduler early
    return;
  }
  wake_at_.reset();
  if (OnWake) {
    OnWake();
  }
}

std::unique_ptr<NativeWindow> QtBackend::CreateNativeWindow(const FormDesign& design,
                                                            WindowEvents& events) {
  // A window made after a quit request means the program goes on.
  quit_requested_ = false;
  return std::make_unique<QtWindow>(*this, design, events);
}

void QtBackend::RunEventLoop() {
  if (quit_requested_) {
    return;
  }
  event_loop_running_ = true;
  QApplication::exec();
  event_loop_running_ = false;
}

void QtBackend::QuitEventLoop() {
  quit_requested_ = true;
  WakeModalLoops();
  if (event_loop_running_) {
    QCoreApplication::exit(0);
  }
}

void QtBackend::RunModalLoop(const std::function<bool()>& finished) {
  // Whatever ends a modal window (its destruction, or the end of the program)
  // wakes every modal loop; each then looks at its own condition again.
  while (!finished() && !quit_requested_) {
    QEventLoop loop;
    modal_loops_.push_back(&loop);
    loop.exec(QEventLoop::DialogExec);
    std::erase(modal_loops_, &loop);
  }
}

// Newest first, so an open About window closes (and saves) before the main
// window, whose close then ends the program.
void QtBackend::CloseAllWindows() {
  for (auto window = windows_.rbegin(); window != windows_.rend(); ++window) {
    (*window)->RequestClose();
  }
}

void QtBackend::WakeModalLoops() {
  for (QEventLoop* loop : modal_loops_) {
    loop->quit();
  }
}

double QtBackend::TwipsPerPixel() const {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return platform::TwipsPerPixel(screen != nullptr ? screen->logicalDotsPerInchY() : 96.0);
}

void QtBackend::Deliver(QObject* source, std::function<void()> event) {
  QPointer<QObject> guard(source);
  QMetaObject::invokeMethod(
      &dispatcher_,
      [guard, event = std::move(event)] {
        if (guard) {
          event();
        }
      },
      Qt::QueuedConnection);
}

void QtBackend::Register(QtWindow* window) {
  windows_.push_back(window);
}

void QtBackend::Unregister(QtWindow* window) {
  std::erase(windows_, window);
  WakeModalLoops();
}

QtWindow* QtBackend::WindowWithId(xcb_window_t id) const {
  for (QtWindow* window : windows_) {
    if (window->Handle() == id) {
      return window;
    }
  }
  return nullptr;
}

}  // namespace platform::qt
