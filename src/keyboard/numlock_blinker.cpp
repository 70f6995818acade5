#include "keyboard/numlock_blinker.h"

namespace keyboard {

void NUMLOCK_TIMER_Timer(int Index, NumLockTimers& NUMLOCK_TIMER, platform::KeyInjector& keys) {
  const int other = Index == 1 ? 2 : 1;
  NUMLOCK_TIMER(other).SetEnabled(true);
  NUMLOCK_TIMER(Index).SetEnabled(false);
  keys.PressNumLock();
}

}  // namespace keyboard
