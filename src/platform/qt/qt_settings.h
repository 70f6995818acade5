// Per-user settings in an INI file under the XDG configuration folder:
// $XDG_CONFIG_HOME/<application>/<application>.ini, one group per section.
#pragma once

#include <QString>

#include "platform/backend.h"

namespace platform::qt {

class QtSettings : public platform::SettingsStore {
 public:
  std::optional<std::string> Read(std::string_view application, std::string_view section,
                                  std::string_view key) override;
  bool Write(std::string_view application, std::string_view section, std::string_view key,
             std::string_view value) override;

  // Where an application's values are kept.
  static QString FilePath(std::string_view application);
};

}  // namespace platform::qt
