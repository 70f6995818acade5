#include "program_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <cstring>
#include <sstream>
#include <thread>

extern char** environ;

namespace testing_support {

namespace {

using namespace std::chrono_literals;

pid_t Spawn(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
            const char* stderr_path, const std::vector<std::pair<int, int>>& keep_fds = {}) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, stderr_path,
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  for (const auto& [from, to] : keep_fds) {
    posix_spawn_file_actions_adddup2(&actions, from, to);
  }
  std::vector<char*> argv;
  for (const std::string& argument : arguments) {
    argv.push_back(const_cast<char*>(argument.c_str()));
  }
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (const std::string& variable : environment) {
    envp.push_back(const_cast<char*>(variable.c_str()));
  }
  envp.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) {
    pid = -1;
  }
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

bool Named(const std::string& variable, const char* name) {
  const std::size_t length = std::strlen(name);
  return variable.size() > length && variable.compare(0, length, name) == 0 &&
         variable[length] == '=';
}

}  // namespace

PrivateXServer::PrivateXServer(std::vector<std::string> extra_arguments) {
  int ready[2];
  if (pipe2(ready, O_CLOEXEC) != 0) {
    return;
  }
  std::vector<std::string> arguments = {"Xvfb", "-displayfd", "3",       "-nolisten", "tcp",
                                        "-dpi", "96",         "-screen", "0",         "640x480x24"};
  arguments.insert(arguments.end(), extra_arguments.begin(), extra_arguments.end());
  std::vector<std::string> environment;
  for (char** variable = environ; *variable != nullptr; ++variable) {
    environment.emplace_back(*variable);
  }
  pid_ = Spawn(arguments, environment, "/dev/null", {{ready[1], 3}});
  close(ready[1]);
  std::string number;
  const auto end = std::chrono::steady_clock::now() + 30s;
  while (pid_ > 0 && std::chrono::steady_clock::now() < end) {
    pollfd wait{ready[0], POLLIN, 0};
    if (poll(&wait, 1, 100) <= 0) {
      continue;
    }
    char c = 0;
    if (read(ready[0], &c, 1) != 1) {
      break;  // the server died or could not start
    }
    if (c == '\n') {
      display_ = ":" + number;
      break;
    }
    number += c;
  }
  close(ready[0]);
}

PrivateXServer::~PrivateXServer() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
}

void PrivateXServer::Kill() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
}

ProgramProcess::ProgramProcess(const ProgramOptions& options) {
  if (!folder_.isValid()) {
    return;
  }
  const std::string runtime = folder_.path().toStdString() + "/runtime";
  mkdir(runtime.c_str(), 0700);
  // A session normally has these; what the test gives the program replaces
  // whatever the test itself was started with.
  std::vector<std::string> environment;
  std::string leak_options;
  for (char** variable = environ; *variable != nullptr; ++variable) {
    const std::string text(*variable);
    if (Named(text, "DISPLAY") || Named(text, "WAYLAND_DISPLAY") ||
        Named(text, "XDG_CONFIG_HOME") || Named(text, "XDG_RUNTIME_DIR") ||
        Named(text, "QT_QPA_PLATFORM")) {
      continue;
    }
    if (Named(text, "LSAN_OPTIONS")) {
      leak_options = text.substr(std::strlen("LSAN_OPTIONS="));
      continue;
    }
    environment.push_back(text);
  }
  if (options.display) {
    environment.push_back("DISPLAY=" + *options.display);
  }
  environment.push_back("XDG_CONFIG_HOME=" + options.config_home);
  environment.push_back("XDG_RUNTIME_DIR=" + runtime);
  // Leaks inside the system libraries are known and not the program's; the
  // same list tools/test uses keeps them out of the program's stderr.
  environment.push_back("LSAN_OPTIONS=" + leak_options + (leak_options.empty() ? "" : ":") +
                        "suppressions=" VARN_LSAN_SUPPRESSIONS ":print_suppressions=0");
  const std::string stderr_path = folder_.path().toStdString() + "/stderr";
  pid_ = Spawn({VARN_PROGRAM}, environment, stderr_path.c_str());
}

ProgramProcess::~ProgramProcess() {
  if (pid_ > 0 && !status_) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

bool ProgramProcess::Running() {
  return Started() && !WaitForExit(0ms);
}

std::optional<int> ProgramProcess::WaitForExit(std::chrono::milliseconds limit) {
  if (status_ || pid_ <= 0) {
    return status_;
  }
  const auto end = std::chrono::steady_clock::now() + limit;
  do {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      status_ = status;
      return status_;
    }
    std::this_thread::sleep_for(5ms);
  } while (std::chrono::steady_clock::now() < end);
  return std::nullopt;
}

std::string ProgramProcess::Stderr() const {
  QFile file(folder_.path() + QStringLiteral("/stderr"));
  if (!file.open(QIODevice::ReadOnly)) {
    return {};
  }
  return file.readAll().toStdString();
}

std::string DescribeStatus(int status) {
  std::ostringstream text;
  if (WIFEXITED(status)) {
    text << "exit status " << WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    text << "killed by signal " << WTERMSIG(status);
  } else {
    text << "wait status " << status;
  }
  return text.str();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    lines.push_back(line);
  }
  return lines;
}

}  // namespace testing_support
