#include "step_bursts.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace bench {

StepFigures AnalyseSteps(const std::vector<Burst>& bursts, Nanos step_period) {
  struct Step {
    Nanos start;
    std::int64_t pixels;
  };
  std::vector<Step> steps;
  StepFigures figures;
  for (const Burst& burst : bursts) {
    if (!burst.changed) {
      ++figures.idle_bursts;
      continue;
    }
    ++figures.changing_bursts;
    if (!steps.empty() && burst.start - steps.back().start < step_period / 2) {
      steps.back().pixels += burst.pixels;
    } else {
      steps.push_back({burst.start, burst.pixels});
    }
  }
  figures.steps = static_cast<int>(steps.size());
  if (steps.empty()) {
    return figures;
  }

  std::int64_t pixel_total = 0;
  for (const Step& step : steps) {
    pixel_total += step.pixels;
    figures.pixels_per_step_max = std::max(figures.pixels_per_step_max, step.pixels);
  }
  figures.pixels_per_step_mean =
      static_cast<double>(pixel_total) / static_cast<double>(steps.size());

  if (steps.size() < 2) {
    return figures;
  }
  std::vector<double> errors_ms;
  for (std::size_t i = 1; i < steps.size(); ++i) {
    const Nanos period = steps[i].start - steps[i - 1].start;
    if (period >= step_period * 3 / 2) {
      ++figures.late_steps;
    }
    errors_ms.push_back(std::abs(static_cast<double>(period - step_period)) / 1e6);
  }
  const double span_ms = static_cast<double>(steps.back().start - steps.front().start) / 1e6;
  figures.period_mean_ms = span_ms / static_cast<double>(steps.size() - 1);
  figures.period_mean_error_ms =
      std::abs(figures.period_mean_ms - static_cast<double>(step_period) / 1e6);
  std::sort(errors_ms.begin(), errors_ms.end());
  const std::size_t p99 =
      static_cast<std::size_t>(std::ceil(0.99 * static_cast<double>(errors_ms.size()))) - 1;
  figures.period_p99_error_ms = errors_ms[std::min(p99, errors_ms.size() - 1)];
  figures.period_max_error_ms = errors_ms.back();
  return figures;
}

}  // namespace bench
