// Twips and device pixels. A window keeps the twips value it was given for as
// long as it still stands at the pixel that value mapped to, so that a
// position read back (and saved) is exactly the one assigned, not one rounded
// to the pixel grid.
//
// Width and Height, stored or assigned, are the outer size of a window with
// the frame the designs were drawn on: 120 twips of border across and 360
// twips of caption bar and border down. The client area is what remains,
// and the window system's own frame, whatever its size, stands outside it,
// so the lamps show whole under every frame.
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

inline constexpr Twips kDesignFrameWidth = 120;
inline constexpr Twips kDesignFrameHeight = 360;

// One of Left, Top (allowance 0) or Width, Height (the design frame's
// allowance, so that the pixels are the client area's).
class TwipsCoordinate {
 public:
  explicit TwipsCoordinate(Twips allowance = 0) : allowance_(allowance) {}

  // Returns the pixel value to give the window system; a size never below 0.
  int Assign(Twips value, double twips_per_pixel) {
    assigned_ = value;
    pixels_ = TwipsToPixels(value - allowance_, twips_per_pixel);
    if (allowance_ > 0) {
      pixels_ = std::max(pixels_, 0);
    }
    return pixels_;
  }
  // The coordinate in twips, given where the window stands now.
  Twips Read(int pixels, double twips_per_pixel) const {
    if (assigned_ && pixels == pixels_) {
      return *assigned_;
    }
    return PixelsToTwips(pixels, twips_per_pixel) + allowance_;
  }

 private:
  Twips allowance_;
  std::optional<Twips> assigned_;
  int pixels_ = 0;
};

}  // namespace platform
