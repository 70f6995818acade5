#include "termination_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <csignal>

namespace platform::qt {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// A signal handler may do next to nothing: it only wakes the event loop
// through this pipe, and the close happens there.
volatile sig_atomic_t signal_pipe = -1;

extern "C" void WakeOnSignal(int) {
  const char byte = 1;
  if (signal_pipe >= 0) {
    [[maybe_unused]] const ssize_t written = write(signal_pipe, &byte, 1);
  }
}

}  // namespace

TerminationSignals::TerminationSignals(std::function<void()> on_signal)
    : on_signal_(std::move(on_signal)) {
  if (pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
    return;  // signals keep their default effect
  }
  signal_pipe = pipe_[1];
  notifier_ = std::make_unique<QSocketNotifier>(pipe_[0], QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                   [this] { Received(); });
  struct sigaction action {};
  action.sa_handler = WakeOnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int signal_number : kSignals) {
    sigaction(signal_number, &action, nullptr);
  }
}

TerminationSignals::~TerminationSignals() {
  if (!notifier_) {
    return;
  }
  for (const int signal_number : kSignals) {
    std::signal(signal_number, SIG_DFL);
  }
  signal_pipe = -1;
  notifier_.reset();
  close(pipe_[0]);
  close(pipe_[1]);
}

void TerminationSignals::Received() {
  char bytes[16];
  while (read(pipe_[0], bytes, sizeof bytes) > 0) {
  }
  on_signal_();
}

}  // namespace platform::qt
