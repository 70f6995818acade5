// Turns the damage seen on a window into chase steps. Damage rectangles that
// follow each other closely form one repaint burst; a burst after which the
// window's pixels differ from before is part of a step, one after which they
// are the same repainted nothing that changed (a wasted repaint between
// steps). Changing bursts that start within half a step of each other belong
// to the same step: a step drawn in two goes shows up as more than one burst
// per step rather than as an extra step.
#pragma once

#include <cstdint>
#include <vector>

namespace bench {

using Nanos = std::int64_t;

struct Burst {
  Nanos start = 0;
  Nanos end = 0;
  int rectangles = 0;
  std::int64_t pixels = 0;  // sum of the damaged areas, overlaps counted twice
  bool changed = false;     // the window looked different afterwards
};

struct StepFigures {
  int steps = 0;
  int changing_bursts = 0;
  int idle_bursts = 0;
  int late_steps = 0;  // periods of 150 ms or more: a step was missed or stalled
  double period_mean_ms = 0;
  double period_mean_error_ms = 0;  // |mean - 100 ms|
  double period_p99_error_ms = 0;   // 99th percentile of |period - 100 ms|
  double period_max_error_ms = 0;
  double pixels_per_step_mean = 0;
  std::int64_t pixels_per_step_max = 0;
};

StepFigures AnalyseSteps(const std::vector<Burst>& bursts, Nanos step_period);

}  // namespace bench
