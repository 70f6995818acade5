// What the program remembers of the user's answer to the desktop's remote
// input dialog, in its state folder ($XDG_STATE_HOME/BRELLOCK-VARN-ON): the
// portal's newest restore token, which lets the next start go without the
// dialog, or that the user refused, so that the program does not ask again.
// Each file is written whole or not at all.
#pragma once

#include <optional>
#include <string>

namespace platform::x11 {

class PortalConsent {
 public:
  explicit PortalConsent(std::string folder) : folder_(std::move(folder)) {}

  std::optional<std::string> RestoreToken() const;
  void KeepRestoreToken(const std::string& token);
  bool Refused() const;
  void KeepRefusal();
  std::string RefusalFile() const;

 private:
  std::string File(const char* name) const;
  void Write(const char* name, const std::string& contents);

  std::string folder_;
};

}  // namespace platform::x11
