#include "proc_stats.h"

#include <dirent.h>

#include <fstream>
#include <sstream>
#include <string>

namespace bench {

namespace {

// The number after "Key:" in a /proc status file, 0 when the key is absent.
std::int64_t StatusField(const std::string& status, const std::string& key) {
  const std::size_t at = status.find("\n" + key + ":");
  if (at == std::string::npos) {
    return 0;
  }
  std::istringstream rest(status.substr(at + key.size() + 2));
  std::int64_t value = 0;
  rest >> value;
  return value;
}

std::optional<std::string> ReadAll(const std::string& path) {
  std::ifstream file(path);
  if (!file) {
    return std::nullopt;
  }
  std::ostringstream text;
  text << "\n" << file.rdbuf();  // a leading newline lets every key be found as "\nKey:"
  return text.str();
}

}  // namespace

std::optional<ProcSample> ReadProcSample(pid_t pid) {
  const std::string base = "/proc/" + std::to_string(pid);
  const std::optional<std::string> status = ReadAll(base + "/status");
  if (!status) {
    return std::nullopt;
  }
  ProcSample sample;
  sample.rss_kib = StatusField(*status, "VmRSS");
  sample.hwm_kib = StatusField(*status, "VmHWM");
  sample.rss_anon_kib = StatusField(*status, "RssAnon");
  sample.rss_file_kib = StatusField(*status, "RssFile");
  sample.threads = StatusField(*status, "Threads");
  if (const std::optional<std::string> rollup = ReadAll(base + "/smaps_rollup")) {
    sample.pss_kib = StatusField(*rollup, "Pss");
  }

  DIR* tasks = opendir((base + "/task").c_str());
  if (tasks == nullptr) {
    return std::nullopt;
  }
  while (const dirent* entry = readdir(tasks)) {
    if (entry->d_name[0] == '.') {
      continue;
    }
    const std::string task = base + "/task/" + entry->d_name;
    std::ifstream schedstat(task + "/schedstat");
    std::int64_t on_cpu = 0;
    if (schedstat >> on_cpu) {
      sample.cpu_ns += on_cpu;
    }
    if (const std::optional<std::string> task_status = ReadAll(task + "/status")) {
      sample.context_switches += StatusField(*task_status, "voluntary_ctxt_switches") +
                                 StatusField(*task_status, "nonvoluntary_ctxt_switches");
    }
  }
  closedir(tasks);
  return sample;
}

}  // namespace bench
