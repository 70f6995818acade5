// The whole program in-process on the Qt backend, and a way to act on it
// step by step while its own event loop (and any modal loop) runs. Also the
// settings file as other readers see it.
#pragma once

#include <QTemporaryDir>
#include <functional>

#include "app/module1.h"
#include "display_client.h"
#include "platform/application.h"
#include "qt_backend.h"

namespace testing_support {

QString IniPath(const QString& config_home);
void WriteFile(const QString& path, const QByteArray& bytes);
QByteArray ReadFile(const QString& path);  // empty when there is no file
// A stored value as a fresh reader sees it: a plain string that reads as a
// number; nullopt otherwise.
std::optional<float> StoredNumber(const QString& config_home, const char* key);

// Points XDG_CONFIG_HOME at a fresh folder for as long as it lives.
class TemporaryConfigHome {
 public:
  TemporaryConfigHome();
  ~TemporaryConfigHome();
  QString Path() const { return folder_.path(); }
  QString IniPath() const { return testing_support::IniPath(Path()); }

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

  void Preset(const char* key, const char* value);
  xcb_window_t MainId();
  xcb_window_t AboutId();  // XCB_NONE while the About window is not loaded
  QPoint LampCentre(int number);
};

struct Step {
  std::string awaited;          // what the step waits for, named in a failure
  std::function<bool()> ready;  // polled until true
  std::function<void()> then{};
};

// Starts the program and runs its event loop until it ends, working through
// the steps from a timer meanwhile (a timer fires inside a modal loop too).
// Each step may take up to 20 s. Returns "" on success, else what was awaited
// when time ran out; the program is then told to quit.
std::string RunScript(QtProgram& program, std::vector<Step> steps);

// Steps most scripts take.
Step Do(std::function<void()> action);
Step WindowShown(std::string what, std::function<xcb_window_t()> window,
                 std::function<void()> then = {});
Step MainWindowShown(QtProgram& program, std::function<void()> then = {});
Step SendClose(QtProgram& program);  // as a window manager does for the user
Step ProgramEnded(QtProgram& program);

}  // namespace testing_support
