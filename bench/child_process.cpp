#include "child_process.h"

#include <sched.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "damage_source.h"

namespace bench {

pid_t Launch(char* const* command) {
  const pid_t child = fork();
  if (child < 0) {
    std::perror("damage_watch: fork");
    std::exit(2);
  }
  if (child == 0) {
    const sched_param normal{.sched_priority = 0};
    sched_setscheduler(0, SCHED_OTHER, &normal);  // the watcher may run real-time; not the program
    setpgid(0, 0);
    execvp(command[0], command);
    std::fprintf(stderr, "damage_watch: cannot run %s\n", command[0]);
    _exit(127);
  }
  setpgid(child, child);
  return child;
}

bool Exited(pid_t child) {
  int status = 0;
  return waitpid(child, &status, WNOHANG) == child;
}

void Stop(pid_t child, Display* display, const WindowQuery& query) {
  kill(-child, SIGTERM);
  const Nanos deadline = Now() + 5 * kSecond;
  bool gone = false;
  while (!(gone = Exited(child)) && Now() < deadline) {
    usleep(10'000);
  }
  if (!gone) {
    kill(-child, SIGKILL);
    waitpid(child, nullptr, 0);
  }
  const Nanos window_deadline = Now() + 5 * kSecond;
  while (FindWindow(display, query) && Now() < window_deadline) {
    usleep(20'000);
  }
}

}  // namespace bench
