// The settings store on Linux: $XDG_CONFIG_HOME/APP/APP.ini (~/.config when
// unset), one group per section, read and written as a GLib key file and
// replaced atomically. Only a regular file of sane size is read, so the
// program neither blocks nor balloons: a larger one is junk, read as no
// settings and written over like any junk; anything else at that path (a
// FIFO, a device, a folder) reads as no settings and is never replaced.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/backend.h"

namespace platform::x11 {

class IniSettings final : public SettingsStore {
 public:
  // Larger than any settings file the program writes by far.
  static constexpr long kLargestFile = 64 * 1024;

  static std::string FilePath(std::string_view application);

  std::optional<std::string> Read(std::string_view application, std::string_view section,
                                  std::string_view key) override;
  bool Write(std::string_view application, std::string_view section, std::string_view key,
             std::string_view value) override;
};

}  // namespace platform::x11
