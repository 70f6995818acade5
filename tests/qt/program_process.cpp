#include "program_process.h"

#include <QDir>
#include <QFile>

namespace testing_support {

PrivateXServer::PrivateXServer(const QStringList& extra_arguments) {
  // Xvfb picks a free display number and prints it once it takes connections.
  server_.setStandardErrorFile(QProcess::nullDevice());
  server_.start("Xvfb", QStringList{"-displayfd", "1", "-nolisten", "tcp", "-dpi", "96", "-screen",
                                    "0", "640x480x24"} +
                            extra_arguments);
  QByteArray number;
  while (!number.contains('\n') && server_.waitForReadyRead(30000)) {
    number += server_.readAllStandardOutput();
  }
  if (number.contains('\n')) {
    display_ = ":" + number.trimmed().toStdString();
  }
}

void PrivateXServer::Kill() {
  server_.kill();
  server_.waitForFinished();
}

ProgramProcess::ProgramProcess(std::optional<std::string> display, const QString& config_home) {
  // A session normally has these; what the test gives the program replaces
  // whatever the test itself was started with.
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    environment.remove(name);
  }
  if (display) {
    environment.insert("DISPLAY", QString::fromStdString(*display));
  }
  environment.insert("XDG_CONFIG_HOME", config_home);
  QDir(folder_.path()).mkdir("runtime");
  QFile::setPermissions(folder_.filePath("runtime"),
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  environment.insert("XDG_RUNTIME_DIR", folder_.filePath("runtime"));
  // Leaks inside the system libraries are known and not the program's; the
  // same list tools/test uses keeps them out of the program's stderr.
  const QString leaks = environment.value("LSAN_OPTIONS");
  environment.insert("LSAN_OPTIONS", leaks + (leaks.isEmpty() ? "" : ":") +
                                         "suppressions=" VARN_LSAN_SUPPRESSIONS
                                         ":print_suppressions=0");
  process_.setProcessEnvironment(environment);
  process_.setStandardInputFile(QProcess::nullDevice());
  process_.setStandardOutputFile(QProcess::nullDevice());
  process_.setStandardErrorFile(folder_.filePath("stderr"));
  process_.start(VARN_PROGRAM, QStringList{});
  process_.waitForStarted();
}

ProgramProcess::~ProgramProcess() {
  process_.kill();
  process_.waitForFinished();
}

bool ProgramProcess::Running() {
  process_.waitForFinished(0);
  return process_.state() != QProcess::NotRunning;
}

bool ProgramProcess::Ended(std::chrono::milliseconds limit) {
  return WaitUntil([&] { return !Running(); }, limit);
}

bool ProgramProcess::EndedWithStatus(int status) const {
  return process_.state() == QProcess::NotRunning &&
         process_.exitStatus() == QProcess::NormalExit && process_.exitCode() == status;
}

std::string ProgramProcess::Outcome() const {
  if (process_.state() != QProcess::NotRunning) {
    return "still running";
  }
  return process_.exitStatus() == QProcess::CrashExit
             ? "crashed"
             : "exit status " + std::to_string(process_.exitCode());
}

std::string ProgramProcess::Stderr() const {
  QFile file(folder_.filePath("stderr"));
  return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

xcb_window_t ProgramProcess::WaitForMainWindow(const DisplayClient& x, bool framed) {
  xcb_window_t window = XCB_NONE;
  WaitUntil(
      [&] {
        window = Running() ? x.ProgramMainWindow(process_.processId()) : XCB_NONE;
        return !Running() || (window != XCB_NONE && (!framed || x.Framed(window)));
      },
      30s);
  const bool shown = window != XCB_NONE && (!framed || x.Framed(window));
  EXPECT_TRUE(shown) << "the main window did not show: " << Outcome() << "\n" << Stderr();
  return shown ? window : XCB_NONE;
}

void ProgramProcess::CloseAndExpectCleanExit(const DisplayClient& x, xcb_window_t window) {
  x.SendDeleteWindow(window);
  ASSERT_TRUE(Ended(20s)) << "the program did not end after its window was closed";
  EXPECT_TRUE(EndedWithStatus(0)) << Outcome();
}

}  // namespace testing_support
