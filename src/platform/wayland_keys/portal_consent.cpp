// The restore token and a refusal, kept in the state folder.
#include "platform/wayland_keys/portal_consent.h"

#include <glib.h>
#include <glib/gstdio.h>

#include <cstdio>

namespace platform::x11 {

namespace {

constexpr char kTokenFile[] = "portal-restore-token";
constexpr char kRefusalFile[] = "portal-refused";

}  // namespace

std::string PortalConsent::File(const char* name) const {
  return folder_ + "/" + name;
}

std::string PortalConsent::RefusalFile() const {
  return File(kRefusalFile);
}

std::optional<std::string> PortalConsent::RestoreToken() const {
  gchar* contents = nullptr;
  gsize length = 0;
  if (!g_file_get_contents(File(kTokenFile).c_str(), &contents, &length, nullptr)) {
    return std::nullopt;
  }
  std::string token(contents, length);
  g_free(contents);
  while (!token.empty() && (token.back() == '\n' || token.back() == ' ')) {
    token.pop_back();
  }
  // A token is an opaque word; anything else is no token.
  if (token.empty() || token.size() > 4096 || token.find_first_of(" \t\n\r") != std::string::npos ||
      !g_utf8_validate(token.data(), static_cast<gssize>(token.size()), nullptr)) {
    return std::nullopt;
  }
  return token;
}

void PortalConsent::KeepRestoreToken(const std::string& token) {
  Write(kTokenFile, token + "\n");
}

bool PortalConsent::Refused() const {
  return g_file_test(File(kRefusalFile).c_str(), G_FILE_TEST_EXISTS);
}

void PortalConsent::KeepRefusal() {
  Write(kRefusalFile,
        "The remote input this program asked for to blink the keyboard light was refused.\n"
        "Delete this file to be asked again at the next start.\n");
}

// A new file beside the old one, renamed over it: a reader finds the old
// contents or the new, never a part.
void PortalConsent::Write(const char* name, const std::string& contents) {
  GError* error = nullptr;
  if (g_mkdir_with_parents(folder_.c_str(), 0700) != 0 ||
      !g_file_set_contents_full(File(name).c_str(), contents.data(),
                                static_cast<gssize>(contents.size()),
                                G_FILE_SET_CONTENTS_CONSISTENT, 0600, &error)) {
    std::fprintf(stderr, "brellock-varn-on: cannot keep %s: %s\n", File(name).c_str(),
                 error != nullptr ? error->message : "cannot make its folder");
  }
  g_clear_error(&error);
}

}  // namespace platform::x11
