#include "lamps/lamp_chase.h"

namespace lamps {

void VARN_RED_TIMER_Timer(int Index, LampRow& VARN_LABEL, StepTimers& VARN_RED_TIMER) {
  const ChaseStep& step = kChaseSteps.at(static_cast<std::size_t>(Index - 1));
  VARN_LABEL(step.first.lamp).SetBackColor(step.first.colour);
  if (step.second) {
    VARN_LABEL(step.second->lamp).SetBackColor(step.second->colour);
  }
  VARN_RED_TIMER(step.next_step).SetEnabled(true);
  VARN_RED_TIMER(Index).SetEnabled(false);
}

}  // namespace lamps
