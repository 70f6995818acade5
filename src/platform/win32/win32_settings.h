// Settings in the registry: HKEY_CURRENT_USER\Software\<application>\<section>,
// one REG_SZ value per key.
#pragma once

#include "platform/backend.h"

namespace platform::win32 {

class Win32Settings : public SettingsStore {
 public:
  std::optional<std::string> Read(std::string_view application, std::string_view section,
                                  std::string_view key) override;
  bool Write(std::string_view application, std::string_view section, std::string_view key,
             std::string_view value) override;
};

}  // namespace platform::win32
