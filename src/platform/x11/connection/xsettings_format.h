// The bytes of an XSETTINGS manager's _XSETTINGS_SETTINGS property: the
// desktop's settings (GNOME's, Xfce's, KDE's) as a list of named values.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>

namespace platform::x11 {

// The integer settings by name. Strings and colours are skipped; a property
// that ends early or says more than it holds gives nothing at all.
using XSettingsIntegers = std::map<std::string, std::int32_t, std::less<>>;
std::optional<XSettingsIntegers> ReadXSettingsIntegers(std::span<const std::uint8_t> bytes);

}  // namespace platform::x11
