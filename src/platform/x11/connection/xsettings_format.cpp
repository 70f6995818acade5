// Reading the XSETTINGS property: a byte-order mark, a serial, a count, then
// each setting as its type, name, serial and value, padded to four bytes.
#include "platform/x11/connection/xsettings_format.h"

namespace platform::x11 {

namespace {

enum SettingType : std::uint8_t { kInteger = 0, kString = 1, kColour = 2 };

constexpr std::size_t Padded(std::size_t length) {
  return (length + 3) & ~std::size_t{3};
}

// Reads in the byte order the manager wrote, and remembers running out.
class Reader {
 public:
  Reader(std::span<const std::uint8_t> bytes, bool most_significant_first)
      : bytes_(bytes), most_significant_first_(most_significant_first) {}

  bool Ok() const { return ok_; }
  std::uint8_t Byte() { return static_cast<std::uint8_t>(Number(1)); }
  std::uint16_t Card16() { return static_cast<std::uint16_t>(Number(2)); }
  std::uint32_t Card32() { return static_cast<std::uint32_t>(Number(4)); }
  std::string Text(std::size_t length) {
    if (!Has(length)) {
      return {};
    }
    std::string text(reinterpret_cast<const char*>(bytes_.data() + at_), length);
    at_ += length;
    return text;
  }
  void Skip(std::size_t length) {
    if (Has(length)) {
      at_ += length;
    }
  }

 private:
  bool Has(std::size_t length) {
    ok_ = ok_ && length <= bytes_.size() - at_;
    return ok_;
  }
  std::uint64_t Number(std::size_t width) {
    std::uint64_t value = 0;
    if (!Has(width)) {
      return 0;
    }
    for (std::size_t i = 0; i < width; ++i) {
      const std::size_t index = most_significant_first_ ? i : width - 1 - i;
      value = (value << 8) | bytes_[at_ + index];
    }
    at_ += width;
    return value;
  }

  std::span<const std::uint8_t> bytes_;
  bool most_significant_first_;
  std::size_t at_ = 0;
  bool ok_ = true;
};

}  // namespace

std::optional<XSettingsIntegers> ReadXSettingsIntegers(std::span<const std::uint8_t> bytes) {
  // The X protocol's byte orders: LSBFirst 0, MSBFirst 1.
  if (bytes.empty() || bytes[0] > 1) {
    return std::nullopt;
  }
  Reader reader(bytes, bytes[0] == 1);
  reader.Skip(4);   // the byte order and three unused bytes
  reader.Card32();  // the serial
  const std::uint32_t count = reader.Card32();
  XSettingsIntegers integers;
  for (std::uint32_t n = 0; n < count && reader.Ok(); ++n) {
    const std::uint8_t type = reader.Byte();
    reader.Skip(1);
    const std::uint16_t name_length = reader.Card16();
    std::string name = reader.Text(name_length);
    reader.Skip(Padded(name_length) - name_length);
    reader.Card32();  // the serial of the last change
    switch (type) {
      case kInteger: {
        const auto value = static_cast<std::int32_t>(reader.Card32());
        if (reader.Ok()) {
          integers.insert_or_assign(std::move(name), value);
        }
        break;
      }
      case kString:
        reader.Skip(Padded(reader.Card32()));
        break;
      case kColour:
        reader.Skip(8);
        break;
      default:
        return std::nullopt;
    }
  }
  if (!reader.Ok()) {
    return std::nullopt;
  }
  return integers;
}

}  // namespace platform::x11
