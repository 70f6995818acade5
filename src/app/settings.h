// The per-user settings store as the program uses it: string values under
// (application, section, key), and the numbers kept in them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/backend.h"

namespace app {

inline constexpr std::string_view kApplicationName = "BRELLOCK-VARN-ON";
inline constexpr std::string_view kSettingsSection = "Settings";

// The stored text, or `default_text` when nothing usable is stored.
std::string GetSetting(platform::SettingsStore& store, std::string_view application,
                       std::string_view section, std::string_view key,
                       std::string_view default_text);

// Stores `value`, replacing any earlier one. A store that cannot be written
// loses only this value: the program goes on, and says so on stderr.
void SaveSetting(platform::SettingsStore& store, std::string_view application,
                 std::string_view section, std::string_view key, std::string_view value);

// Locale-independent, and the shortest text that reads back as the same
// single-precision number.
std::string NumberToText(float value);

// nullopt for anything that is not a finite single-precision number; spaces
// around the number are allowed.
std::optional<float> TextToNumber(std::string_view text);

}  // namespace app
