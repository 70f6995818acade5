// Starts one program and measures it from outside, the way a user would see
// it: the X DAMAGE extension reports every rectangle drawn on the screen, and
// only those on the program's window count. From /proc it reads what the
// program, the X server and the window manager spent meanwhile.
//
//   damage_watch [--title T] [--settle S] [--seconds N] [--rss-every S]
//                [--xserver-pid P] [--wm-pid P] [--bursts-out FILE]
//                [--active own|other] -- COMMAND [ARGS...]
//
// Without --title the window is the one whose _NET_WM_PID is the started
// program's. With --active other, an ordinary window of the watcher's own is
// made active through the window manager once the program's window has drawn
// its first frame, as when the user works in another program, and the
// program is measured so. Prints key=value lines on stdout; progress goes to
// stderr.
#include <sched.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "child_process.h"
#include "damage_source.h"
#include "other_window.h"
#include "proc_stats.h"
#include "step_bursts.h"
#include "x11_windows.h"

namespace {

using bench::kMs;
using bench::kSecond;
using bench::Nanos;
using bench::Now;
constexpr Nanos kStepPeriod = 100 * kMs;
// Rectangles of one repaint arrive within a millisecond or two of each
// other; steps are 100 ms apart. A quiet gap this long closes a burst.
constexpr Nanos kBurstGap = 8 * kMs;

struct Options {
  bench::WindowQuery query;
  double settle_s = 5;
  double seconds = 30;
  double rss_every_s = 1;
  pid_t xserver_pid = 0;
  pid_t wm_pid = 0;
  std::string bursts_out;  // every burst, one line each, to look at the timing in detail
  bool other_active = false;
  std::vector<char*> command;
};

[[noreturn]] void Fail(const std::string& message) {
  std::fprintf(stderr, "damage_watch: %s\n", message.c_str());
  std::exit(2);
}

Options ParseOptions(int argc, char** argv) {
  Options options;
  int i = 1;
  for (; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--") {
      ++i;
      break;
    }
    if (i + 1 >= argc) {
      Fail("missing value after " + arg);
    }
    const char* value = argv[++i];
    if (arg == "--title") {
      options.query.title = value;
    } else if (arg == "--settle") {
      options.settle_s = std::atof(value);
    } else if (arg == "--seconds") {
      options.seconds = std::atof(value);
    } else if (arg == "--rss-every") {
      options.rss_every_s = std::atof(value);
    } else if (arg == "--xserver-pid") {
      options.xserver_pid = std::atoi(value);
    } else if (arg == "--bursts-out") {
      options.bursts_out = value;
    } else if (arg == "--wm-pid") {
      options.wm_pid = std::atoi(value);
    } else if (arg == "--active") {
      const std::string active = value;
      if (active != "own" && active != "other") {
        Fail("--active takes own or other");
      }
      options.other_active = active == "other";
    } else {
      Fail("unknown option " + arg);
    }
  }
  options.command.assign(argv + i, argv + argc);
  if (options.command.empty()) {
    Fail("no command to run");
  }
  options.command.push_back(nullptr);
  return options;
}

struct FirstFrame {
  Window window = None;
  bench::Rect inside;
  Nanos when = 0;
};

// Start-up: from exec to the first drawing inside the program's window.
// Drawing is kept from the start, since the window is found only after it
// has been mapped and perhaps already drawn.
FirstFrame WaitForFirstFrame(bench::DamageSource& source, pid_t child,
                             const bench::WindowQuery& query, Nanos exec_time) {
  std::vector<bench::Drawn> early;
  std::optional<FirstFrame> found;
  const Nanos deadline = exec_time + 60 * kSecond;
  Nanos next_search = exec_time;
  for (;;) {
    const Nanos now = Now();
    if (now > deadline) {
      bench::Stop(child, source.display(), query);
      Fail("no frame drawn within 60 s");
    }
    if (bench::Exited(child)) {
      Fail("the program exited during start-up");
    }
    if (!found && now >= next_search) {
      if (const std::optional<Window> window = bench::FindWindow(source.display(), query)) {
        if (const std::optional<bench::Rect> inside =
                bench::RootRectOf(source.display(), *window)) {
          found = FirstFrame{*window, *inside, 0};
          std::fprintf(stderr, "damage_watch: window found after %.1f ms\n",
                       static_cast<double>(Now() - exec_time) / 1e6);
        }
      }
      next_search = now + 10 * kMs;
    }
    if (found) {
      for (const bench::Drawn& drawn : early) {
        if (bench::Intersect(drawn.area, found->inside).Area() > 0) {
          found->when = drawn.when;
          return *found;
        }
      }
      early.clear();
    }
    for (const bench::Drawn& drawn : source.Wait(std::min(next_search, deadline))) {
      early.push_back(drawn);
    }
  }
}

struct Samples {
  std::optional<bench::ProcSample> program, xserver, wm;
};

Samples SampleAll(pid_t child, const Options& options) {
  auto sample = [](pid_t pid) { return pid > 0 ? bench::ReadProcSample(pid) : std::nullopt; };
  return {sample(child), sample(options.xserver_pid), sample(options.wm_pid)};
}

struct Measured {
  Nanos span = 0;
  Samples start, end;
  std::vector<bench::Burst> bursts;
  std::vector<std::pair<Nanos, std::int64_t>> anon;  // (time into the window, RssAnon KiB)
};

// The measuring window: damage on the window's inside, grouped into bursts;
// after each burst the inside is read back to see whether it changed.
Measured MeasureWindow(bench::DamageSource& source, pid_t child, const Options& options,
                       const bench::Rect& inside) {
  Display* display = source.display();
  Measured measured;
  const Nanos start = Now();
  measured.start = SampleAll(child, options);
  if (measured.start.program) {
    measured.anon.emplace_back(0, measured.start.program->rss_anon_kib);
  }
  const Nanos end = start + static_cast<Nanos>(options.seconds * 1e9);
  const Nanos rss_every = std::max<Nanos>(kMs, static_cast<Nanos>(options.rss_every_s * 1e9));
  Nanos next_rss = start + rss_every;
  std::vector<char> shown = bench::GrabPixels(display, inside);
  std::optional<bench::Burst> open;
  Nanos last_damage = 0;
  for (;;) {
    const Nanos now = Now();
    if (open && now - last_damage >= kBurstGap) {
      std::vector<char> after = bench::GrabPixels(display, inside);
      open->end = last_damage;
      open->changed = after != shown;
      shown = std::move(after);
      measured.bursts.push_back(*open);
      open.reset();
    }
    if (now >= next_rss) {
      if (const std::optional<bench::ProcSample> sample = bench::ReadProcSample(child)) {
        measured.anon.emplace_back(now - start, sample->rss_anon_kib);
      }
      next_rss += rss_every;
    }
    if (now >= end) {
      break;  // a burst still open at the end is left out: its step is not complete
    }
    Nanos deadline = std::min(end, next_rss);
    if (open) {
      deadline = std::min(deadline, last_damage + kBurstGap);
    }
    for (const bench::Drawn& drawn : source.Wait(deadline)) {
      const bench::Rect area = bench::Intersect(drawn.area, inside);
      if (area.Area() == 0) {
        continue;
      }
      if (!open) {
        open = bench::Burst{.start = drawn.when};
      }
      ++open->rectangles;
      open->pixels += area.Area();
      last_damage = drawn.when;
    }
  }
  measured.span = Now() - start;
  measured.end = SampleAll(child, options);
  return measured;
}

double PerMinute(double amount, Nanos span) {
  return amount * 60.0 * kSecond / static_cast<double>(span);
}

// Least-squares slope of RssAnon, in KiB per minute.
double AnonSlope(const std::vector<std::pair<Nanos, std::int64_t>>& samples) {
  if (samples.size() < 2) {
    return 0;
  }
  double mean_t = 0, mean_v = 0;
  for (const auto& [t, v] : samples) {
    mean_t += static_cast<double>(t) / 60e9;
    mean_v += static_cast<double>(v);
  }
  mean_t /= static_cast<double>(samples.size());
  mean_v /= static_cast<double>(samples.size());
  double covariance = 0, variance = 0;
  for (const auto& [t, v] : samples) {
    const double dt = static_cast<double>(t) / 60e9 - mean_t;
    covariance += dt * (static_cast<double>(v) - mean_v);
    variance += dt * dt;
  }
  return variance > 0 ? covariance / variance : 0;
}

// start_ms end_ms rectangles pixels changed, times from the first burst.
void WriteBursts(const std::string& path, const std::vector<bench::Burst>& bursts) {
  std::FILE* file = std::fopen(path.c_str(), "w");
  if (file == nullptr) {
    Fail("cannot write " + path);
  }
  const Nanos origin = bursts.empty() ? 0 : bursts.front().start;
  for (const bench::Burst& burst : bursts) {
    std::fprintf(file, "%.3f %.3f %d %lld %d\n", static_cast<double>(burst.start - origin) / 1e6,
                 static_cast<double>(burst.end - origin) / 1e6, burst.rectangles,
                 static_cast<long long>(burst.pixels), burst.changed ? 1 : 0);
  }
  std::fclose(file);
}

void Put(const char* key, double value) {
  std::printf("%s=%.4f\n", key, value);
}

void PrintFigures(const Measured& m, const FirstFrame& first, Nanos exec_time, bool realtime) {
  const bench::ProcSample& from = *m.start.program;
  const bench::ProcSample& to = *m.end.program;
  auto cpu_per_minute = [&m](const std::optional<bench::ProcSample>& a,
                             const std::optional<bench::ProcSample>& b) {
    return PerMinute(static_cast<double>(b->cpu_ns - a->cpu_ns) / 1e6, m.span);
  };
  Put("window_s", static_cast<double>(m.span) / 1e9);
  Put("watcher_realtime", realtime ? 1 : 0);
  Put("inside_width", first.inside.width);
  Put("inside_height", first.inside.height);
  Put("startup_ms", static_cast<double>(first.when - exec_time) / 1e6);
  Put("cpu_ms_per_min", cpu_per_minute(m.start.program, m.end.program));
  Put("ctx_per_s", static_cast<double>(to.context_switches - from.context_switches) * 1e9 /
                       static_cast<double>(m.span));
  Put("rss_kib", static_cast<double>(to.rss_kib));
  Put("pss_kib", static_cast<double>(to.pss_kib));
  Put("hwm_kib", static_cast<double>(to.hwm_kib));
  Put("rss_anon_kib", static_cast<double>(to.rss_anon_kib));
  Put("rss_file_kib", static_cast<double>(to.rss_file_kib));
  Put("threads", static_cast<double>(to.threads));
  Put("anon_growth_kib_per_min",
      PerMinute(static_cast<double>(to.rss_anon_kib - from.rss_anon_kib), m.span));
  Put("anon_slope_kib_per_min", AnonSlope(m.anon));
  if (m.start.xserver && m.end.xserver) {
    Put("xserver_cpu_ms_per_min", cpu_per_minute(m.start.xserver, m.end.xserver));
  }
  if (m.start.wm && m.end.wm) {
    Put("wm_cpu_ms_per_min", cpu_per_minute(m.start.wm, m.end.wm));
  }
  const bench::StepFigures steps = bench::AnalyseSteps(m.bursts, kStepPeriod);
  Put("steps", steps.steps);
  Put("steps_expected", static_cast<double>(m.span) / static_cast<double>(kStepPeriod));
  Put("bursts_per_step",
      steps.steps > 0 ? static_cast<double>(steps.changing_bursts) / steps.steps : 0);
  Put("idle_bursts", steps.idle_bursts);
  Put("late_steps", steps.late_steps);
  Put("period_mean_ms", steps.period_mean_ms);
  Put("period_mean_error_ms", steps.period_mean_error_ms);
  Put("period_p99_error_ms", steps.period_p99_error_ms);
  Put("period_max_error_ms", steps.period_max_error_ms);
  Put("pixels_per_step_mean", steps.pixels_per_step_mean);
  Put("pixels_per_step_max", static_cast<double>(steps.pixels_per_step_max));
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = ParseOptions(argc, argv);
  // The watcher's own wake-up delay would add to every period it measures; as
  // root it takes a real-time priority (it sleeps almost all the time). The
  // program it starts goes back to normal scheduling.
  const sched_param realtime{.sched_priority = 10};
  const bool raised = sched_setscheduler(0, SCHED_FIFO, &realtime) == 0;
  bench::DamageSource source;

  const Nanos exec_time = Now();
  const pid_t child = bench::Launch(options.command.data());
  bench::WindowQuery query = options.query;
  if (!query.title) {
    query.pid = child;
  }
  FirstFrame first = WaitForFirstFrame(source, child, query, exec_time);
  std::fprintf(stderr, "damage_watch: first frame after %.1f ms; settling %.0f s\n",
               static_cast<double>(first.when - exec_time) / 1e6, options.settle_s);
  // Made only now, so that the start-up is timed as in the runs without it.
  std::optional<bench::OtherWindow> other;
  if (options.other_active) {
    other.emplace(source.display());
    if (!other->Activate()) {
      bench::Stop(child, source.display(), query);
      Fail("the window manager did not make the other window active");
    }
  }

  const Nanos settle_end = first.when + static_cast<Nanos>(options.settle_s * 1e9);
  while (Now() < settle_end) {
    source.Wait(settle_end);
    if (bench::Exited(child)) {
      Fail("the program exited while settling");
    }
  }
  // The window manager may have moved the window since it was found.
  const std::optional<bench::Rect> inside = bench::RootRectOf(source.display(), first.window);
  if (!inside) {
    Fail("the window went away while settling");
  }
  first.inside = *inside;

  const Measured measured = MeasureWindow(source, child, options, first.inside);
  // The program must not have taken the activation back meanwhile.
  const bool other_still_active = other && other->IsActive();
  bench::Stop(child, source.display(), query);
  if (!measured.start.program || !measured.end.program) {
    Fail("the program exited while being measured");
  }
  PrintFigures(measured, first, exec_time, raised);
  if (other) {
    Put("other_window_active_at_end", other_still_active ? 1 : 0);
  }
  if (!options.bursts_out.empty()) {
    WriteBursts(options.bursts_out, measured.bursts);
  }
  return 0;
}
