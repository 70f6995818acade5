// The Num Lock blinker: two timers take turns to press Num Lock every 750 ms,
// so the keyboard's light blinks while the lamps run.
#pragma once

#include "platform/backend.h"
#include "platform/controls.h"
#include "platform/timer_scheduler.h"

namespace keyboard {

using NumLockTimers = platform::ControlArray<platform::Timer, 2>;

// The Timer event of NUMLOCK_TIMER_<Index>: hand over to the other timer
// first, then press the key. Nothing is kept from one tick to the next.
void NUMLOCK_TIMER_Timer(int Index, NumLockTimers& NUMLOCK_TIMER, platform::KeyInjector& keys);

}  // namespace keyboard
