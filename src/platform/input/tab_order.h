// The order the Tab key walks a window's controls in: the controls that take
// the focus (labels and timers never do), by their design tab index, rows
// of the same index in table order.
#pragma once

#include <span>
#include <vector>

#include "platform/design.h"

namespace platform {

// Design rows, first to last in the tab order.
std::vector<int> TabOrder(std::span<const ControlDesign> controls);

// The row after `current` (or before it, going backward), round the end.
// From no row, or a row not in the order, forward starts at the first and
// backward at the last. -1 when nothing takes the focus.
int NextInTabOrder(const std::vector<int>& order, int current, bool forward);

}  // namespace platform
