// Num Lock pressed only while a person is at the machine. Every press is
// input to the system: pressed all day, it would keep the screen from
// blanking or locking on idle and the machine from sleeping. So a press is
// left out once nobody but the program has given input for a minute, and
// while the session is locked or its screen saver is on; a person's next
// input brings the presses back.
#pragma once

#include <optional>

#include "platform/backend.h"
#include "platform/timer_scheduler.h"

namespace platform {

class AttendedKeys : public KeyInjector {
 public:
  // Input the system counted within this long of the program's own press
  // is taken for the press, which reaches the system a moment after it is
  // sent.
  static constexpr Duration kOwnPressAllowance = std::chrono::milliseconds(100);
  // Nobody is taken to be there once the last input not the program's own
  // is this old.
  static constexpr Duration kAwayAfter = std::chrono::seconds(60);

  AttendedKeys(KeyInjector& keys, TimerHost& clock) : keys_(keys), clock_(clock) {}

  // Presses only while someone is there; when nobody is, one press more
  // where needed so that Num Lock rests as it was at start.
  void PressNumLock() override;
  IdleReading ReadIdleClock() override { return keys_.ReadIdleClock(); }

 private:
  bool SomeoneThere(const IdleReading& reading, TimePoint now);
  void Press(TimePoint now);

  KeyInjector& keys_;
  TimerHost& clock_;
  std::optional<TimePoint> last_press_;
  std::optional<TimePoint> last_person_input_;
  bool odd_presses_ = false;  // Num Lock is not as it was at start
};

}  // namespace platform
