// When a press of the mouse button makes a double-click: the second of two
// presses on the same control close together in time and place. The press
// after a double-click starts afresh, so three quick presses make one.
#pragma once

#include <cstdint>
#include <optional>

namespace platform {

// Press times are in milliseconds on a clock that may wrap round, as X
// server timestamps do.
using InputTime = std::uint32_t;

// How close two presses must be: the desktop's setting where it has one,
// the Windows defaults otherwise.
struct DoubleClickLimits {
  InputTime time = 500;  // ms
  int distance = 4;      // pixels either way
};

class DoubleClickRule {
 public:
  // A press at (x, y) in the control; true when it completes a double-click.
  bool Press(InputTime time, int x, int y, const DoubleClickLimits& limits = {});

 private:
  std::optional<InputTime> last_time_;
  int last_x_ = 0, last_y_ = 0;
};

}  // namespace platform
