// The lamp chase: one red light runs along the seven lamps and back. Sixteen
// step timers take turns; which one is enabled is the whole state of the
// chase.
#pragma once

#include <array>
#include <optional>

#include "platform/controls.h"
#include "platform/timer_scheduler.h"

namespace lamps {

enum LampColor : platform::Colour { kDark = 0, kRed = 255 };

using LampRow = platform::ControlArray<platform::Control, 7>;
using StepTimers = platform::ControlArray<platform::Timer, 16>;

struct LampWrite {
  int lamp;
  LampColor colour;
};

struct ChaseStep {
  LampWrite first;
  std::optional<LampWrite> second;
  int next_step;
};

// Step n is kChaseSteps[n - 1]. Outward the lamp behind goes dark before the
// lamp ahead lights; on the way back the lamp ahead lights first. At each end
// the bar is dark for one step and the end lamp lights again.
inline constexpr std::array<ChaseStep, 16> kChaseSteps{{
    {{1, kRed}, std::nullopt, 2},
    {{1, kDark}, LampWrite{2, kRed}, 3},
    {{2, kDark}, LampWrite{3, kRed}, 4},
    {{3, kDark}, LampWrite{4, kRed}, 5},
    {{4, kDark}, LampWrite{5, kRed}, 6},
    {{5, kDark}, LampWrite{6, kRed}, 7},
    {{6, kDark}, LampWrite{7, kRed}, 8},
    {{7, kDark}, std::nullopt, 9},
    {{7, kRed}, std::nullopt, 10},
    {{6, kRed}, LampWrite{7, kDark}, 11},
    {{5, kRed}, LampWrite{6, kDark}, 12},
    {{4, kRed}, LampWrite{5, kDark}, 13},
    {{3, kRed}, LampWrite{4, kDark}, 14},
    {{2, kRed}, LampWrite{3, kDark}, 15},
    {{1, kRed}, LampWrite{2, kDark}, 16},
    {{1, kDark}, std::nullopt, 1},
}};

// The Timer event of VARN_RED_TIMER_<Index>: write this step's lamps, hand
// over to the next step's timer, then switch this one off.
void VARN_RED_TIMER_Timer(int Index, LampRow& VARN_LABEL, StepTimers& VARN_RED_TIMER);

}  // namespace lamps
