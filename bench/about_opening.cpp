// What opening the About window costs the running ornament, seen from
// outside: the time from the second press of a double-click on a lamp to the
// About window mapped, the first opening (which loads GTK) and the later
// ones; the lamp steps while the first opens; whether any GTK library was
// mapped before; and the program's VmRSS after the first, 10th and last
// opening. Prints key=value facts for bench_report.py.
//
//   about_opening --pid PID [--openings N]
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "x11_windows.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

// A "Field: N kB" line of /proc/PID/<file>; -1 when absent.
long ProcKib(pid_t pid, const char* file, const char* field) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/" + file);
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field, 0) == 0) {
      return std::stol(line.substr(std::strlen(field)));
    }
  }
  return -1;
}

bool MapsGtk(pid_t pid) {
  std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
  std::string line;
  while (std::getline(maps, line)) {
    if (line.find("libgtk-3") != std::string::npos || line.find("libgdk-3") != std::string::npos) {
      return true;
    }
  }
  return false;
}

// Which of the seven lamps (17 px, 24 px apart at 96 dpi) is red; 0: none.
int RedLamp(Display* display, const bench::Rect& main) {
  const std::vector<char> row = bench::GrabPixels(display, {main.x, main.y + 16, 180, 1});
  for (int lamp = 1; lamp <= 7 && row.size() >= 180 * 4; ++lamp) {
    const std::size_t at = static_cast<std::size_t>(8 + 24 * (lamp - 1) + 8) * 4;
    const auto blue = static_cast<unsigned char>(row[at]);
    const auto green = static_cast<unsigned char>(row[at + 1]);
    const auto red = static_cast<unsigned char>(row[at + 2]);
    if (red > 200 && green < 80 && blue < 80) {
      return lamp;
    }
  }
  return 0;
}

std::optional<std::string> Name(Display* display, Window window) {
  char* name = nullptr;
  if (XFetchName(display, window, &name) == 0 || name == nullptr) {
    return std::nullopt;
  }
  std::string text(name);
  XFree(name);
  return text;
}

int IgnoreErrors(Display*, XErrorEvent*) {
  return 0;
}

struct Opening {
  double ms = -1;                        // second press to mapped; -1: never
  std::vector<Clock::time_point> steps;  // lamp changes seen meanwhile
};

class Opener {
 public:
  Opener(Display* display, const bench::Rect& main) : display_(display), main_(main) {
    XSelectInput(display_, DefaultRootWindow(display_), SubstructureNotifyMask);
  }

  // Double-clicks lamp 4 and waits for the About window to map, sampling
  // the lamps from `before` ahead of the click to `after` past the map.
  Opening Open(Clock::duration before, Clock::duration after) {
    Opening opening;
    int lamp = RedLamp(display_, main_);
    const auto sample_until = [&](Clock::time_point end, const auto& done) {
      while (Clock::now() < end && !done()) {
        Drain();
        if (const int now = RedLamp(display_, main_); now != lamp) {
          lamp = now;
          opening.steps.push_back(Clock::now());
        }
      }
    };
    sample_until(Clock::now() + before, [] { return false; });
    const int x = main_.x + 88, y = main_.y + 16;
    XTestFakeMotionEvent(display_, -1, x, y, 0);
    XTestFakeButtonEvent(display_, 1, True, 0);
    XTestFakeButtonEvent(display_, 1, False, 0);
    XFlush(display_);
    std::this_thread::sleep_for(60ms);
    mapped_ = false;
    const Clock::time_point press = Clock::now();
    XTestFakeButtonEvent(display_, 1, True, 0);
    XTestFakeButtonEvent(display_, 1, False, 0);
    XFlush(display_);
    sample_until(press + 5s, [&] { return mapped_; });
    if (mapped_) {
      opening.ms = Ms(mapped_at_ - press);
    }
    sample_until(Clock::now() + after, [] { return false; });
    return opening;
  }

  // Space on OK, which has the focus; waits for the window to go.
  bool Close() {
    const KeyCode space = XKeysymToKeycode(display_, XK_space);
    XTestFakeKeyEvent(display_, space, True, 0);
    XTestFakeKeyEvent(display_, space, False, 0);
    XFlush(display_);
    const Clock::time_point end = Clock::now() + 5s;
    while (about_ != None && Clock::now() < end) {
      Drain();
      std::this_thread::sleep_for(1ms);
    }
    return about_ == None;
  }

 private:
  // A new top-level is watched from its creation, so its map is seen.
  void Drain() {
    while (XPending(display_) > 0) {
      XEvent event;
      XNextEvent(display_, &event);
      if (event.type == CreateNotify) {
        XSelectInput(display_, event.xcreatewindow.window, StructureNotifyMask);
      } else if (event.type == MapNotify && event.xmap.event == event.xmap.window &&
                 Name(display_, event.xmap.window) == "VARN-ON") {
        mapped_ = true;
        mapped_at_ = Clock::now();
        about_ = event.xmap.window;
      } else if ((event.type == UnmapNotify && event.xunmap.window == about_) ||
                 (event.type == DestroyNotify && event.xdestroywindow.window == about_)) {
        about_ = None;
      }
    }
  }

  Display* display_;
  bench::Rect main_;
  bool mapped_ = false;
  Clock::time_point mapped_at_;
  Window about_ = None;
};

}  // namespace

int main(int argc, char** argv) {
  pid_t pid = 0;
  int openings = 100;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--pid") == 0) {
      pid = std::atoi(argv[i + 1]);
    } else if (std::strcmp(argv[i], "--openings") == 0) {
      openings = std::atoi(argv[i + 1]);
    }
  }
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr || pid <= 0) {
    std::fprintf(stderr, "usage: about_opening --pid PID [--openings N] (with DISPLAY)\n");
    return 2;
  }
  XSetErrorHandler(IgnoreErrors);
  std::optional<Window> main;
  const Clock::time_point give_up = Clock::now() + 30s;
  while (!(main = bench::FindWindow(display, {pid, "     BRELLOCK - VARN-ON"})) &&
         Clock::now() < give_up) {
    std::this_thread::sleep_for(20ms);
  }
  const std::optional<bench::Rect> rect = main ? bench::RootRectOf(display, *main) : std::nullopt;
  if (!rect) {
    std::fprintf(stderr, "about_opening: no main window of process %d\n", pid);
    return 1;
  }
  std::this_thread::sleep_for(1s);
  std::printf("about_rss_kib_before=%ld\n", ProcKib(pid, "status", "VmRSS:"));
  std::printf("about_pss_kib_before=%ld\n", ProcKib(pid, "smaps_rollup", "Pss:"));
  std::printf("about_gtk_mapped_before=%d\n", MapsGtk(pid) ? 1 : 0);
  Opener opener(display, *rect);
  std::vector<double> later;
  for (int i = 1; i <= openings; ++i) {
    const bool first = i == 1;
    const Opening opening = opener.Open(first ? 1s : 150ms, first ? 1s : 100ms);
    if (opening.ms < 0) {
      std::fprintf(stderr, "about_opening: opening %d did not map\n", i);
      return 1;
    }
    if (first) {
      // Periods between lamp changes: a step is late where its period is
      // 120 ms or more; steps are lost where fewer came than 100 ms steps
      // fit between the first and the last (a late step followed by a
      // short one is late, not lost).
      int late = 0, lost = 0;
      double longest = 0;
      for (std::size_t s = 1; s < opening.steps.size(); ++s) {
        const double period = Ms(opening.steps[s] - opening.steps[s - 1]);
        longest = std::max(longest, period);
        late += period >= 120 ? 1 : 0;
      }
      if (opening.steps.size() > 1) {
        const double span = Ms(opening.steps.back() - opening.steps.front());
        const long expected = std::lround(span / 100.0);
        lost =
            static_cast<int>(std::max(0L, expected - static_cast<long>(opening.steps.size() - 1)));
      }
      std::printf("about_first_ms=%.1f\n", opening.ms);
      std::printf("about_first_lamp_steps=%zu\n", opening.steps.size());
      std::printf("about_first_late_steps=%d\nabout_first_lost_steps=%d\n", late, lost);
      std::printf("about_first_longest_step_ms=%.1f\n", longest);
      if (std::getenv("ABOUT_OPENING_STEPS") != nullptr) {
        for (std::size_t s = 1; s < opening.steps.size(); ++s) {
          std::fprintf(stderr, "%.0f ", Ms(opening.steps[s] - opening.steps[s - 1]));
        }
        std::fprintf(stderr, "\n");
      }
    } else {
      later.push_back(opening.ms);
    }
    if (!opener.Close()) {
      std::fprintf(stderr, "about_opening: opening %d did not close\n", i);
      return 1;
    }
    if (i == 1 || i == 10 || i == openings) {
      std::printf("about_rss_kib_%d=%ld\n", i == openings ? 100 : i,
                  ProcKib(pid, "status", "VmRSS:"));
      std::printf("about_pss_kib_%d=%ld\n", i == openings ? 100 : i,
                  ProcKib(pid, "smaps_rollup", "Pss:"));
    }
  }
  if (!later.empty()) {
    double sum = 0;
    for (const double ms : later) {
      sum += ms;
    }
    std::printf("about_later_mean_ms=%.1f\nabout_later_max_ms=%.1f\n", sum / later.size(),
                *std::ranges::max_element(later));
  }
  XCloseDisplay(display);
  return 0;
}
