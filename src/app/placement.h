// Where a window stands, remembered in the settings store between runs.
#pragma once

#include <string_view>

#include "platform/backend.h"
#include "platform/form.h"

namespace app {

struct PlacementKeys {
  std::string_view left, top, width, height;
  float default_left, default_top, default_width, default_height;
};

inline constexpr PlacementKeys kMainPlacement{"MainLeft", "MainTop", "MainWidth", "MainHeight",
                                              1000,       1000,      2760,        855};
inline constexpr PlacementKeys kAboutPlacement{"AboutLeft", "AboutTop", "AboutWidth", "AboutHeight",
                                               1000,        1000,       9735,         4290};

// The largest coordinate, in twips, that a window system takes: 32767 pixels
// at 15 twips to the pixel.
inline constexpr float kLargestCoordinate = 32767.0f * 15.0f;

// Reads a stored coordinate; a text that is not a number the window system
// can take gives the key's default.
float ReadPosition(platform::SettingsStore& store, std::string_view key, float default_value);
float ReadSize(platform::SettingsStore& store, std::string_view key, float default_value);

// Left, Top, Width and Height, in that order, each read and assigned before
// the next key is read.
void RestorePlacement(platform::Form& form, platform::SettingsStore& store,
                      const PlacementKeys& keys);

// Left, then Top. The size is never saved.
void SavePosition(platform::Form& form, platform::SettingsStore& store, const PlacementKeys& keys);

}  // namespace app
