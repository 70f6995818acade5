// The whole program in-process on the Qt backend, and a way to act on it
// step by step while its own event loop (and any modal loop) runs.
#pragma once

#include <xcb/xcb.h>

#include <QByteArray>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QTemporaryDir>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "app/module1.h"
#include "platform/application.h"
#include "platform/design.h"
#include "qt_backend.h"

namespace testing_support {

// Points XDG_CONFIG_HOME at a fresh folder for as long as it lives.
class TemporaryConfigHome {
 public:
  TemporaryConfigHome();
  ~TemporaryConfigHome();
  QString Path() const { return folder_.path(); }
  QString IniPath() const;
  QString IniText() const;  // empty when there is no file

 private:
  QTemporaryDir folder_;
  QByteArray previous_;
  bool had_previous_;
};

struct QtProgram {
  TemporaryConfigHome config;
  platform::qt::QtBackend backend;
  platform::Application app{backend};
  app::Module1 module{app};

  void Start() { module.Main(); }
  void Preset(const char* key, const char* value);

  xcb_window_t MainId();
  xcb_window_t AboutId();  // XCB_NONE while the About window is not loaded
  // Screen position of the centre of a control of the main or About window,
  // from where the X server says the client area is.
  QPoint ControlCentre(xcb_window_t window, const platform::FormDesign& design,
                       std::string_view control);
  QRect ControlRect(xcb_window_t window, const platform::FormDesign& design,
                    std::string_view control);
  QPoint LampCentre(int number);
};

struct Step {
  std::string awaited;          // what the step waits for, named in a failure
  std::function<bool()> ready;  // polled until true
  std::function<void()> then{};
};

// Runs the program's event loop until the program ends, working through the
// steps from a timer meanwhile (a timer fires inside a modal loop too). Each
// step may take up to `per_step`. Returns "" on success, else what was
// awaited when time ran out; the program is then told to quit.
std::string RunScript(QtProgram& program, std::vector<Step> steps,
                      std::chrono::seconds per_step = std::chrono::seconds(20));

// Steps most scripts take.
Step MainWindowShown(QtProgram& program, std::function<void()> then = {});
Step SendClose(QtProgram& program);  // as a window manager does for the user
Step ProgramEnded(QtProgram& program);

bool IsRed(const QColor& colour);
bool IsBlack(const QColor& colour);
bool IsGreen(const QColor& colour);

}  // namespace testing_support
