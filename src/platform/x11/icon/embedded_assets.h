// The images built into the program, by the names the designs give them.
#pragma once

#include <span>
#include <string_view>

namespace platform::x11 {

// Empty when no image has that name.
std::span<const unsigned char> EmbeddedAsset(std::string_view name);

}  // namespace platform::x11
