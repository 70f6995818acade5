#include "icon_image.h"

#include <QtEndian>
#include <cstdint>

namespace platform::qt {

namespace {

// Reading the icon through QImageReader would load the ICO plugin (and scan
// the others) before the main window's first frame. An icon's images are
// plain DIBs, which the BMP reader built into Qt takes once they are given
// the file header a .bmp has.
constexpr qsizetype kFileHeaderSize = 14;
constexpr qsizetype kInfoHeaderSize = 40;
constexpr qsizetype kDirectoryEntrySize = 16;

std::uint16_t Word(const QByteArray& data, qsizetype at) {
  return qFromLittleEndian<std::uint16_t>(data.constData() + at);
}
std::uint32_t Dword(const QByteArray& data, qsizetype at) {
  return qFromLittleEndian<std::uint32_t>(data.constData() + at);
}

QImage ReadDib(const QByteArray& dib) {
  if (dib.size() < kInfoHeaderSize || Dword(dib, 0) != kInfoHeaderSize) {
    return {};
  }
  const qint64 width = static_cast<std::int32_t>(Dword(dib, 4));
  const qint64 height = static_cast<std::int32_t>(Dword(dib, 8)) / 2;  // colour rows, then mask
  const int bits = Word(dib, 14);
  const std::uint32_t compression = Dword(dib, 16);
  const std::uint32_t colours_used = Dword(dib, 32);
  if (width <= 0 || width > 1024 || height <= 0 || height > 1024 || compression != 0 ||
      (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)) {
    return {};
  }
  const qint64 palette_size = bits <= 8 ? 4 * (colours_used != 0 ? colours_used : 1u << bits) : 0;
  const qint64 colour_row = (width * bits + 31) / 32 * 4;
  const qint64 mask_row = (width + 31) / 32 * 4;
  const qint64 colour_at = kInfoHeaderSize + palette_size;
  const qint64 mask_at = colour_at + colour_row * height;
  if (palette_size > 4 * 256 || mask_at > dib.size()) {
    return {};
  }

  QByteArray bmp(kFileHeaderSize, '\0');
  bmp[0] = 'B';
  bmp[1] = 'M';
  qToLittleEndian<std::uint32_t>(static_cast<std::uint32_t>(kFileHeaderSize + mask_at),
                                 bmp.data() + 2);
  qToLittleEndian<std::uint32_t>(static_cast<std::uint32_t>(kFileHeaderSize + colour_at),
                                 bmp.data() + 10);
  bmp += dib.left(mask_at);
  qToLittleEndian<std::int32_t>(static_cast<std::int32_t>(height),
                                bmp.data() + kFileHeaderSize + 8);
  QImage image = QImage::fromData(bmp, "BMP").convertToFormat(QImage::Format_ARGB32);
  if (image.isNull() || bits == 32 || mask_at + mask_row * height > dib.size()) {
    return image;  // 32-bit images carry their own alpha
  }
  // The mask's rows run bottom-up like the colours'; a set bit is transparent.
  const auto* mask = reinterpret_cast<const uchar*>(dib.constData() + mask_at);
  for (qint64 y = 0; y < height; ++y) {
    const uchar* row = mask + (height - 1 - y) * mask_row;
    auto* pixels = reinterpret_cast<QRgb*>(image.scanLine(static_cast<int>(y)));
    for (qint64 x = 0; x < width; ++x) {
      if (row[x / 8] & (0x80 >> (x % 8))) {
        pixels[x] = qRgba(0, 0, 0, 0);
      }
    }
  }
  return image;
}

}  // namespace

QImage ReadIconFile(const QByteArray& file) {
  if (file.size() < 6 || Word(file, 0) != 0 || Word(file, 2) != 1) {
    return {};
  }
  const int count = Word(file, 4);
  QImage best;
  for (int i = 0; i < count; ++i) {
    const qsizetype entry = 6 + i * kDirectoryEntrySize;
    if (entry + kDirectoryEntrySize > file.size()) {
      break;
    }
    const qint64 size = Dword(file, entry + 8);
    const qint64 offset = Dword(file, entry + 12);
    if (offset + size > file.size()) {
      continue;
    }
    const QByteArray data = file.mid(offset, size);
    QImage image = data.startsWith("\x89PNG") ? QImage::fromData(data, "PNG") : ReadDib(data);
    if (image.width() * image.height() > best.width() * best.height()) {
      best = std::move(image);
    }
  }
  return best;
}

}  // namespace platform::qt
