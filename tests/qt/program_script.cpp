#include "program_script.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTimer>

#include "app/main_design.h"
#include "app/settings.h"

namespace testing_support {

QString IniPath(const QString& config_home) {
  return config_home + QStringLiteral("/BRELLOCK-VARN-ON/BRELLOCK-VARN-ON.ini");
}

void WriteFile(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
  ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray ReadFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::optional<float> StoredNumber(const QString& config_home, const char* key) {
  QSettings settings(IniPath(config_home), QSettings::IniFormat);
  const QVariant value = settings.value(QStringLiteral("Settings/") + key);
  if (value.typeId() != QMetaType::QString) {
    return std::nullopt;
  }
  return app::TextToNumber(value.toString().toStdString());
}

TemporaryConfigHome::TemporaryConfigHome()
    : previous_(qgetenv("XDG_CONFIG_HOME")),
      had_previous_(qEnvironmentVariableIsSet("XDG_CONFIG_HOME")) {
  qputenv("XDG_CONFIG_HOME", folder_.path().toUtf8());
}

TemporaryConfigHome::~TemporaryConfigHome() {
  if (had_previous_) {
    qputenv("XDG_CONFIG_HOME", previous_);
  } else {
    qunsetenv("XDG_CONFIG_HOME");
  }
}

void QtProgram::Preset(const char* key, const char* value) {
  backend.Settings().Write(app::kApplicationName, app::kSettingsSection, key, value);
}

xcb_window_t QtProgram::MainId() {
  return app.FormsCount() > 0 ? static_cast<xcb_window_t>(app.Forms(0).hWnd()) : XCB_NONE;
}

xcb_window_t QtProgram::AboutId() {
  return app.FormsCount() > 1 ? static_cast<xcb_window_t>(app.Forms(1).hWnd()) : XCB_NONE;
}

QPoint QtProgram::LampCentre(int number) {
  return ControlRect(Desktop(), MainId(), app::MainWindowDesign(),
                     "VARN_LABEL_" + std::to_string(number))
      .center();
}

std::string RunScript(QtProgram& program, std::vector<Step> steps) {
  using Clock = std::chrono::steady_clock;
  std::size_t next = 0;
  std::string failure;
  Clock::time_point deadline = Clock::now() + 20s;
  auto advance = [&] {
    while (next < steps.size() && steps[next].ready()) {
      if (steps[next].then) {
        steps[next].then();
      }
      ++next;
      deadline = Clock::now() + 20s;
    }
  };
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] {
    advance();
    if (Clock::now() > deadline) {
      failure = next < steps.size() ? steps[next].awaited : "the program to end";
      timer.stop();
      program.backend.QuitEventLoop();
    }
  });
  timer.start(10);
  program.module.Main();
  program.app.Run();
  timer.stop();
  if (failure.empty()) {
    advance();  // the last steps may look at the program after it has ended
    if (next < steps.size()) {
      failure = "the program ended before: " + steps[next].awaited;
    }
  }
  return failure;
}

Step Do(std::function<void()> action) {
  return {"", [] { return true; }, std::move(action)};
}

Step WindowShown(std::string what, std::function<xcb_window_t()> window,
                 std::function<void()> then) {
  return {what + " on screen",
          [window] { return window() != XCB_NONE && Desktop().Framed(window()); }, std::move(then)};
}

Step MainWindowShown(QtProgram& program, std::function<void()> then) {
  return WindowShown(
      "the main window", [&program] { return program.MainId(); }, std::move(then));
}

Step SendClose(QtProgram& program) {
  return Do([&program] { Desktop().SendDeleteWindow(program.MainId()); });
}

Step ProgramEnded(QtProgram& program) {
  return {"the program to end", [&program] { return program.app.Ended(); }};
}

}  // namespace testing_support
