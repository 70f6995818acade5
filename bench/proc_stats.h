// What /proc tells about one process, summed over all of its threads: time on
// a CPU in nanoseconds (schedstat, exact, unlike the 10 ms ticks of
// utime/stime), context switches, and its memory: VmRSS, which counts every
// page of a shared library the process touches as wholly its own, and Pss,
// which shares each page out among the processes that map it.
#pragma once

#include <sys/types.h>
#include <cstdint>
#include <optional>

namespace bench {

struct ProcSample {
  std::int64_t cpu_ns = 0;
  std::int64_t context_switches = 0;
  std::int64_t rss_kib = 0;
  std::int64_t pss_kib = 0;  // smaps_rollup; 0 where the kernel has none
  std::int64_t hwm_kib = 0;
  std::int64_t rss_anon_kib = 0;
  std::int64_t rss_file_kib = 0;
  std::int64_t threads = 0;
};

// nullopt once the process has gone.
std::optional<ProcSample> ReadProcSample(pid_t pid);

}  // namespace bench
