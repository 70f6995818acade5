// The program's icon file as _NET_WM_ICON wants it: width, height, then
// ARGB pixels row by row from the top, for the largest image in the file.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace platform::x11 {

// Empty when the file holds no uncompressed icon image it can read.
std::vector<std::uint32_t> IconPixels(std::span<const unsigned char> icon_file);

}  // namespace platform::x11
