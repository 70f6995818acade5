// Turns SIGTERM, SIGINT and SIGHUP (a session ending, Ctrl-C, a closed
// terminal) into an ordinary close of the program's windows, so that their
// positions are saved as when the user closes them.
#pragma once

#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace platform::qt {

class TerminationSignals {
 public:
  explicit TerminationSignals(std::function<void()> on_signal);
  ~TerminationSignals();
  TerminationSignals(const TerminationSignals&) = delete;
  TerminationSignals& operator=(const TerminationSignals&) = delete;

 private:
  void Received();

  std::function<void()> on_signal_;
  int pipe_[2] = {-1, -1};
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace platform::qt
