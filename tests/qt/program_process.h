// The real program run as a child process, as a user starts it: its own
// display, its own settings folder, its stderr kept in a file, and its exit
// status. Also an X server of our own that a test may take away.
#pragma once

#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <optional>

#include "display_client.h"

namespace testing_support {

// An Xvfb at 96 dpi with no window manager, gone when the object goes.
class PrivateXServer {
 public:
  explicit PrivateXServer(const QStringList& extra_arguments = {});
  ~PrivateXServer() { Kill(); }
  const std::string& Display() const { return display_; }  // empty: it did not start
  void Kill();  // at once, as a crash or a pulled session would

 private:
  QProcess server_;
  std::string display_;
};

class ProgramProcess {
 public:
  // No DISPLAY at all when `display` is nullopt.
  ProgramProcess(std::optional<std::string> display, const QString& config_home);
  ~ProgramProcess();  // kills the program if it still runs

  bool Running();
  void Terminate() { process_.terminate(); }  // SIGTERM, as at the end of a session
  bool Ended(std::chrono::milliseconds limit);
  bool EndedWithStatus(int status) const;  // a normal exit with that status
  std::string Outcome() const;             // for failure messages
  std::string Stderr() const;              // everything it wrote there so far

  // Its main window once on screen (and framed by a window manager when
  // `framed`); XCB_NONE, and a failure, if it did not come within 30 s.
  xcb_window_t WaitForMainWindow(const DisplayClient& x, bool framed);
  // Closes the main window as the user does; the program must end cleanly.
  void CloseAndExpectCleanExit(const DisplayClient& x, xcb_window_t window);

 private:
  QTemporaryDir folder_;  // stderr file and a private XDG_RUNTIME_DIR
  QProcess process_;
};

// Tests of the program run on the desktop in DISPLAY (Xvfb with openbox).
class OnTheDesktop : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(x_.Ok()) << "DISPLAY must name an X server with openbox running";
    ASSERT_FALSE(x_.Values(x_.Root(), "_NET_SUPPORTING_WM_CHECK").empty())
        << "no EWMH window manager runs on DISPLAY";
  }

  const DisplayClient& x_ = Desktop();
  const std::string display_ = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
  QTemporaryDir config_;
};

}  // namespace testing_support
