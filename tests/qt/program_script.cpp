#include "program_script.h"

#include <QFile>
#include <QTimer>
#include <cstdlib>

#include "app/main_design.h"
#include "app/settings.h"
#include "platform/form.h"
#include "platform/twips.h"
#include "x11_probe.h"

namespace testing_support {

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

QString TemporaryConfigHome::IniPath() const {
  return folder_.path() + QStringLiteral("/BRELLOCK-VARN-ON/BRELLOCK-VARN-ON.ini");
}

QString TemporaryConfigHome::IniText() const {
  QFile file(IniPath());
  if (!file.open(QIODevice::ReadOnly)) {
    return {};
  }
  return QString::fromUtf8(file.readAll());
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

QRect QtProgram::ControlRect(xcb_window_t window, const platform::FormDesign& design,
                             std::string_view control) {
  const double twips_per_pixel = backend.TwipsPerPixel();
  const QPoint origin = ClientOrigin(window).value_or(QPoint());
  for (const platform::ControlDesign& item : design.controls) {
    if (item.name == control) {
      return QRect(origin.x() + platform::TwipsToPixels(item.left, twips_per_pixel),
                   origin.y() + platform::TwipsToPixels(item.top, twips_per_pixel),
                   platform::TwipsToPixels(item.width, twips_per_pixel),
                   platform::TwipsToPixels(item.height, twips_per_pixel));
    }
  }
  return {};
}

QPoint QtProgram::ControlCentre(xcb_window_t window, const platform::FormDesign& design,
                                std::string_view control) {
  return ControlRect(window, design, control).center();
}

QPoint QtProgram::LampCentre(int number) {
  return ControlCentre(MainId(), app::MainWindowDesign(), "VARN_LABEL_" + std::to_string(number));
}

std::string RunScript(QtProgram& program, std::vector<Step> steps, std::chrono::seconds per_step) {
  using Clock = std::chrono::steady_clock;
  std::size_t next = 0;
  std::string failure;
  Clock::time_point deadline = Clock::now() + per_step;
  auto advance = [&] {
    while (next < steps.size() && steps[next].ready()) {
      if (steps[next].then) {
        steps[next].then();
      }
      ++next;
      deadline = Clock::now() + per_step;
    }
  };
  QTimer timer;
  timer.setInterval(10);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    advance();
    if (Clock::now() > deadline) {
      failure = next < steps.size() ? steps[next].awaited : "the program to end";
      timer.stop();
      program.backend.QuitEventLoop();
    }
  });
  timer.start();
  program.app.Run();
  timer.stop();
  if (failure.empty()) {
    // The last steps may look at the program after it has ended.
    advance();
    if (next < steps.size()) {
      failure = "the program ended before: " + steps[next].awaited;
    }
  }
  return failure;
}

Step MainWindowShown(QtProgram& program, std::function<void()> then) {
  return {"the main window on screen",
          [&program] {
            return program.MainId() != XCB_NONE && IsViewable(program.MainId()) &&
                   OuterFrame(program.MainId()).has_value();
          },
          std::move(then)};
}

// What a window manager does when the user closes the main window.
Step SendClose(QtProgram& program) {
  return {"the main window to close", [] { return true; },
          [&program] { SendDeleteWindow(program.MainId()); }};
}

Step ProgramEnded(QtProgram& program) {
  return {"the program to end", [&program] { return program.app.Ended(); }};
}

bool IsRed(const QColor& colour) {
  return colour.red() > 200 && colour.green() < 60 && colour.blue() < 60;
}

bool IsBlack(const QColor& colour) {
  return colour.red() < 40 && colour.green() < 40 && colour.blue() < 40;
}

bool IsGreen(const QColor& colour) {
  return colour.green() > 150 && colour.red() < 100 && colour.blue() < 100;
}

}  // namespace testing_support
