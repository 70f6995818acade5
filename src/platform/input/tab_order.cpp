// The tab order of a design and the step from one control to the next.
#include "platform/input/tab_order.h"

#include <algorithm>

namespace platform {

std::vector<int> TabOrder(std::span<const ControlDesign> controls) {
  std::vector<int> order;
  for (std::size_t row = 0; row < controls.size(); ++row) {
    if (controls[row].takes_focus) {
      order.push_back(static_cast<int>(row));
    }
  }
  std::ranges::stable_sort(
      order, {}, [&](int row) { return controls[static_cast<std::size_t>(row)].tab_index; });
  return order;
}

int NextInTabOrder(const std::vector<int>& order, int current, bool forward) {
  if (order.empty()) {
    return -1;
  }
  const auto found = std::ranges::find(order, current);
  if (found == order.end()) {
    return forward ? order.front() : order.back();
  }
  const auto at = static_cast<std::size_t>(found - order.begin());
  const std::size_t next =
      forward ? (at + 1) % order.size() : (at + order.size() - 1) % order.size();
  return order[next];
}

}  // namespace platform
