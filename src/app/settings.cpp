#include "app/settings.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <system_error>

namespace app {

std::string GetSetting(platform::SettingsStore& store, std::string_view application,
                       std::string_view section, std::string_view key,
                       std::string_view default_text) {
  if (std::optional<std::string> stored = store.Read(application, section, key)) {
    return *stored;
  }
  return std::string(default_text);
}

void SaveSetting(platform::SettingsStore& store, std::string_view application,
                 std::string_view section, std::string_view key, std::string_view value) {
  if (!store.Write(application, section, key, value)) {
    // stdio rather than iostream: iostream would triple the Windows executable.
    std::fprintf(stderr, "brellock-varn-on: could not save setting %.*s\n",
                 static_cast<int>(key.size()), key.data());
  }
}

std::string NumberToText(float value) {
  char buffer[32];
  const std::to_chars_result result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

std::optional<float> TextToNumber(std::string_view text) {
  constexpr std::string_view kSpaces = " \t\r\n";
  const std::size_t first = text.find_first_not_of(kSpaces);
  if (first == std::string_view::npos) {
    return std::nullopt;
  }
  text = text.substr(first, text.find_last_not_of(kSpaces) - first + 1);
  float value = 0;
  const char* end = text.data() + text.size();
  const std::from_chars_result result = std::from_chars(text.data(), end, value);
  if (result.ec != std::errc() || result.ptr != end || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

}  // namespace app
