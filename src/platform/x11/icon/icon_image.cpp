// The program's icon file's largest image as _NET_WM_ICON pixels.
#include "platform/x11/icon/icon_image.h"

namespace platform::x11 {

namespace {

std::uint32_t Word(std::span<const unsigned char> data, std::size_t at) {
  return at + 2 <= data.size() ? data[at] | (data[at + 1] << 8) : 0;
}
std::uint32_t Dword(std::span<const unsigned char> data, std::size_t at) {
  return at + 4 <= data.size() ? Word(data, at) | (Word(data, at + 2) << 16) : 0;
}

// One icon image: a bitmap header, a palette, the colour rows and the 1-bit
// mask rows, both bottom-up. A set mask bit is a clear pixel.
std::vector<std::uint32_t> ReadImage(std::span<const unsigned char> dib) {
  constexpr std::size_t kHeaderSize = 40;
  if (Dword(dib, 0) != kHeaderSize) {
    return {};
  }
  const auto width = static_cast<std::int32_t>(Dword(dib, 4));
  const auto height = static_cast<std::int32_t>(Dword(dib, 8)) / 2;
  const std::uint32_t bits = Word(dib, 14);
  const std::uint32_t colours_used = Dword(dib, 32);
  if (width <= 0 || width > 1024 || height <= 0 || height > 1024 || Dword(dib, 16) != 0 ||
      (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)) {
    return {};
  }
  const std::size_t palette = bits <= 8 ? (colours_used != 0 ? colours_used : 1u << bits) : 0;
  const std::size_t colour_row = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
  const std::size_t mask_row = (static_cast<std::size_t>(width) + 31) / 32 * 4;
  const std::size_t colours_at = kHeaderSize + 4 * palette;
  const std::size_t mask_at = colours_at + colour_row * static_cast<std::size_t>(height);
  const bool has_mask = bits != 32;
  if (palette > 256 ||
      mask_at + (has_mask ? mask_row * static_cast<std::size_t>(height) : 0) > dib.size()) {
    return {};
  }
  std::vector<std::uint32_t> pixels{static_cast<std::uint32_t>(width),
                                    static_cast<std::uint32_t>(height)};
  pixels.reserve(2 + static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  for (std::int32_t y = 0; y < height; ++y) {
    const std::size_t row = static_cast<std::size_t>(height - 1 - y);
    const std::size_t colours = colours_at + row * colour_row;
    const std::size_t mask = mask_at + row * mask_row;
    for (std::int32_t x = 0; x < width; ++x) {
      const auto column = static_cast<std::size_t>(x);
      std::uint32_t argb = 0;
      if (bits == 32) {
        argb = Dword(dib, colours + 4 * column);
      } else if (bits == 24) {
        argb = 0xFF000000u | (Dword(dib, colours + 3 * column) & 0xFFFFFFu);
      } else {
        const std::size_t bit = column * bits;
        const std::uint32_t index =
            (dib[colours + bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
        argb = index < palette ? 0xFF000000u | (Dword(dib, kHeaderSize + 4 * index) & 0xFFFFFFu)
                               : 0xFF000000u;
      }
      if (has_mask && (dib[mask + column / 8] & (0x80 >> (column % 8))) != 0) {
        argb = 0;
      }
      pixels.push_back(argb);
    }
  }
  return pixels;
}

}  // namespace

std::vector<std::uint32_t> IconPixels(std::span<const unsigned char> file) {
  if (Word(file, 0) != 0 || Word(file, 2) != 1) {
    return {};
  }
  std::vector<std::uint32_t> best;
  const std::uint32_t count = Word(file, 4);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::size_t entry = 6 + 16 * static_cast<std::size_t>(i);
    const std::size_t size = Dword(file, entry + 8);
    const std::size_t offset = Dword(file, entry + 12);
    if (entry + 16 > file.size() || offset > file.size() || size > file.size() - offset) {
      break;
    }
    std::vector<std::uint32_t> image = ReadImage(file.subspan(offset, size));
    if (image.size() > best.size()) {
      best = std::move(image);
    }
  }
  return best;
}

}  // namespace platform::x11
