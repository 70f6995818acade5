#pragma once

#include <string_view>

#include "platform/design.h"

namespace about {

inline constexpr std::string_view kAuthorEmail = "tavisk@example.com";
inline constexpr std::string_view kWebsiteText = "MARQUENT: http://www.example.com/\r\n";

// The About window VARN_ON_ABOUT as it stands when created.
const platform::FormDesign& AboutWindowDesign();

}  // namespace about
