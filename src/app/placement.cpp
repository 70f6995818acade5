#include "app/placement.h"

#include <cmath>
#include <optional>

#include "app/settings.h"

namespace app {

namespace {

std::optional<float> ReadNumber(platform::SettingsStore& store, std::string_view key,
                                float default_value) {
  return TextToNumber(
      GetSetting(store, kApplicationName, kSettingsSection, key, NumberToText(default_value)));
}

}  // namespace

float ReadPosition(platform::SettingsStore& store, std::string_view key, float default_value) {
  const std::optional<float> value = ReadNumber(store, key, default_value);
  if (!value || std::fabs(*value) > kLargestCoordinate) {
    return default_value;
  }
  return *value;
}

float ReadSize(platform::SettingsStore& store, std::string_view key, float default_value) {
  const std::optional<float> value = ReadNumber(store, key, default_value);
  if (!value || *value < 0 || *value > kLargestCoordinate) {
    return default_value;
  }
  return *value;
}

void RestorePlacement(platform::Form& form, platform::SettingsStore& store,
                      const PlacementKeys& keys) {
  form.SetLeft(ReadPosition(store, keys.left, keys.default_left));
  form.SetTop(ReadPosition(store, keys.top, keys.default_top));
  form.SetWidth(ReadSize(store, keys.width, keys.default_width));
  form.SetHeight(ReadSize(store, keys.height, keys.default_height));
}

void SavePosition(platform::Form& form, platform::SettingsStore& store, const PlacementKeys& keys) {
  SaveSetting(store, kApplicationName, kSettingsSection, keys.left, NumberToText(form.Left()));
  SaveSetting(store, kApplicationName, kSettingsSection, keys.top, NumberToText(form.Top()));
}

}  // namespace app
