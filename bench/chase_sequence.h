// The lamp chase both reference programs show: the lit lamp (1..7, 0 for
// none) after each of the sixteen 100 ms steps, so they change exactly the
// lamps the ornament changes at each step.
#pragma once

#include <array>

namespace bench {

inline constexpr int kLampCount = 7;
inline constexpr int kStepMs = 100;
inline constexpr int kNumLockMs = 750;
inline constexpr int kActiveCheckMs = 1000;

inline constexpr std::array<int, 16> kLitLampAfterStep{1, 2, 3, 4, 5, 6, 7, 0,
                                                       7, 6, 5, 4, 3, 2, 1, 0};

// Lamp n (1-based) in client pixels at 96 dpi; the black strip behind them.
inline constexpr int kLampSize = 17;
inline constexpr int LampLeft(int n) {
  return 8 + 24 * (n - 1);
}
inline constexpr int kLampTop = 8;
inline constexpr int kStripWidth = 177;
inline constexpr int kStripHeight = 33;

}  // namespace bench
