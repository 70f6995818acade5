#include "platform/attended_keys.h"

namespace platform {

bool AttendedKeys::SomeoneThere(const IdleReading& reading, TimePoint now) {
  const TimePoint last_input = now - *reading.idle;
  // Input the system counted after the program's own last press, or before
  // its first, came from somebody else.
  if (!last_press_ || last_input > *last_press_ + kOwnPressAllowance) {
    if (!last_person_input_ || last_input > *last_person_input_) {
      last_person_input_ = last_input;
    }
  }
  return !reading.locked && last_person_input_ && now - *last_person_input_ < kAwayAfter;
}

void AttendedKeys::PressNumLock() {
  const TimePoint now = clock_.Now();
  const IdleReading reading = keys_.ReadIdleClock();
  if (!reading.idle) {
    // Nobody can be told from the program: pressed as ever, but for a lock
    // screen or screen saver the desktop tells of without an idle clock
    // (KDE's Wayland sessions).
    if (!reading.locked) {
      Press(now);
    }
    return;
  }
  // A press would wake a screen saver or reach a lock screen, so none then,
  // even to put Num Lock back.
  if (SomeoneThere(reading, now) || (odd_presses_ && !reading.locked)) {
    Press(now);
  }
}

void AttendedKeys::Press(TimePoint now) {
  keys_.PressNumLock();
  last_press_ = now;
  odd_presses_ = !odd_presses_;
}

}  // namespace platform
