// The About window's picture, a JPEG built into the control art module,
// decoded by libjpeg-turbo into a cairo image.
#pragma once

#include <cairo.h>

#include <span>

namespace platform::x11 {

// The JPEG as a cairo image the caller owns; nullptr when it cannot be read.
cairo_surface_t* DecodeJpeg(std::span<const unsigned char> data);

}  // namespace platform::x11
