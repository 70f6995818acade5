// The double-click rule: two presses close in time and place.
#include "platform/input/double_click.h"

#include <cstdlib>

namespace platform {

bool DoubleClickRule::Press(InputTime time, int x, int y, const DoubleClickLimits& limits) {
  // Unsigned subtraction gives the time between the presses across a wrap.
  const bool double_click =
      last_time_ && static_cast<InputTime>(time - *last_time_) <= limits.time &&
      std::abs(x - last_x_) <= limits.distance && std::abs(y - last_y_) <= limits.distance;
  last_time_ = double_click ? std::nullopt : std::optional(time);
  last_x_ = x;
  last_y_ = y;
  return double_click;
}

}  // namespace platform
