// Twips and device pixels. A window keeps the twips value it was given for as
// long as it still stands at the pixel that value mapped to, so that a
// position read back (and saved) is exactly the one assigned, not one rounded
// to the pixel grid.
#pragma once

#include <algorithm>
#include <cmath>
#include <optional>

#include "platform/design.h"

namespace platform {

inline constexpr double kTwipsPerInch = 1440.0;

inline double TwipsPerPixel(double dots_per_inch) {
  return dots_per_inch > 0 ? kTwipsPerInch / dots_per_inch : 15.0;
}

// Window systems take 16-bit coordinates; anything larger is clamped here
// rather than wrapped.
inline int TwipsToPixels(Twips value, double twips_per_pixel) {
  const double pixels = std::round(static_cast<double>(value) / twips_per_pixel);
  return static_cast<int>(std::clamp(pixels, -32768.0, 32767.0));
}

inline Twips PixelsToTwips(int pixels, double twips_per_pixel) {
  return static_cast<Twips>(pixels * twips_per_pixel);
}

class TwipsCoordinate {
 public:
  // Returns the pixel value to give the window system.
  int Assign(Twips value, double twips_per_pixel) {
    assigned_ = value;
    pixels_ = TwipsToPixels(value, twips_per_pixel);
    return pixels_;
  }
  // The coordinate in twips, given where the window stands now.
  Twips Read(int pixels, double twips_per_pixel) const {
    if (assigned_ && pixels == pixels_) {
      return *assigned_;
    }
    return PixelsToTwips(pixels, twips_per_pixel);
  }

 private:
  std::optional<Twips> assigned_;
  int pixels_ = 0;
};

}  // namespace platform
