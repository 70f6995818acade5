// The real program run as a child process, as a user starts it: its own
// display, its own settings folder, its stderr kept in a file, and its exit
// status. Also an X server of our own that a test may take away.
#pragma once

#include <sys/types.h>

#include <QTemporaryDir>
#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

// An Xvfb at 96 dpi with no window manager, gone when the object goes. Xvfb
// picks a free display number and writes it to a pipe once it accepts
// connections.
class PrivateXServer {
 public:
  explicit PrivateXServer(std::vector<std::string> extra_arguments = {});
  ~PrivateXServer();
  PrivateXServer(const PrivateXServer&) = delete;
  PrivateXServer& operator=(const PrivateXServer&) = delete;

  const std::string& Display() const { return display_; }  // empty: it did not start
  // Ends the server at once, as a crash or a pulled session would.
  void Kill();

 private:
  pid_t pid_ = -1;
  std::string display_;
};

struct ProgramOptions {
  std::optional<std::string> display;  // nullopt: no DISPLAY at all
  std::string config_home;             // XDG_CONFIG_HOME
};

class ProgramProcess {
 public:
  explicit ProgramProcess(const ProgramOptions& options);
  ~ProgramProcess();  // kills the program if it still runs
  ProgramProcess(const ProgramProcess&) = delete;
  ProgramProcess& operator=(const ProgramProcess&) = delete;

  bool Started() const { return pid_ > 0; }
  pid_t Pid() const { return pid_; }
  bool Running();
  // The wait status once the program has ended, nullopt if it still runs
  // when `limit` is up.
  std::optional<int> WaitForExit(std::chrono::milliseconds limit);
  std::string Stderr() const;  // everything it wrote there so far

 private:
  QTemporaryDir folder_;  // stderr file and a private XDG_RUNTIME_DIR
  pid_t pid_ = -1;
  std::optional<int> status_;
};

// Polls `condition` until it holds or `limit` is up; says whether it held.
template <typename Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    if (condition()) {
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return condition();
}

// What a wait status says, for failure messages.
std::string DescribeStatus(int status);
std::vector<std::string> Lines(const std::string& text);

}  // namespace testing_support
