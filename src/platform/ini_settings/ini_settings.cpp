// The settings store as an INI file read and written through GLib key files.
#include "platform/ini_settings/ini_settings.h"

#include <fcntl.h>
#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <memory>

namespace platform::x11 {

namespace {

struct KeyFileFree {
  void operator()(GKeyFile* file) const { g_key_file_free(file); }
};
using KeyFilePtr = std::unique_ptr<GKeyFile, KeyFileFree>;
struct GFree {
  void operator()(void* memory) const { g_free(memory); }
};
using GText = std::unique_ptr<char, GFree>;

std::string ConfigFolder() {
  const char* configured = std::getenv("XDG_CONFIG_HOME");
  if (configured != nullptr && configured[0] == '/') {
    return configured;
  }
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : g_get_home_dir()) + "/.config";
}

// What stands at the settings path. A regular file too large to be ours is
// junk like any other, and is written over; anything else is left alone.
enum class Found { Nothing, Settings, Oversized, Unusable };

// Reads the file without ever waiting on it: opened non-blocking (a FIFO
// there must not hang the program), checked to be a regular file and not too
// large before a byte is read.
Found ReadSettingsFile(const std::string& path, std::string& text) {
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    return errno == ENOENT ? Found::Nothing : Found::Unusable;
  }
  struct stat status = {};
  Found found = Found::Unusable;
  if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    found = Found::Unusable;
  } else if (status.st_size > IniSettings::kLargestFile) {
    found = Found::Oversized;
  } else {
    text.resize(static_cast<std::size_t>(status.st_size));
    std::size_t done = 0;
    found = Found::Settings;
    while (done < text.size()) {
      const ssize_t got = read(fd, text.data() + done, text.size() - done);
      if (got < 0 && errno != EINTR) {
        found = Found::Unusable;  // half a file is never written back over the whole
        break;
      }
      if (got == 0) {
        break;
      }
      done += static_cast<std::size_t>(got > 0 ? got : 0);
    }
    text.resize(done);  // a file cut short meanwhile reads as what was there
  }
  close(fd);
  return found;
}

// The key file as it stands; an empty one where nothing usable is stored.
KeyFilePtr Load(const std::string& text) {
  KeyFilePtr file(g_key_file_new());
  // Comments and other groups are kept when the file is written back.
  if (!g_key_file_load_from_data(file.get(), text.data(), text.size(),
                                 static_cast<GKeyFileFlags>(G_KEY_FILE_KEEP_COMMENTS), nullptr)) {
    file.reset(g_key_file_new());
  }
  return file;
}

// A settings file kept behind a symbolic link (as dotfile managers do) is
// written where the link points, even where nothing is there yet, so the
// link stays.
std::string WritePathFor(const std::string& path) {
  std::filesystem::path target(path);
  std::error_code error;
  for (int hops = 0; hops < 16 && std::filesystem::is_symlink(target, error); ++hops) {
    const std::filesystem::path next = std::filesystem::read_symlink(target, error);
    if (error) {
      break;
    }
    target = next.is_absolute() ? next : target.parent_path() / next;
  }
  return target.string();
}

}  // namespace

std::string IniSettings::FilePath(std::string_view application) {
  const std::string name(application);
  return ConfigFolder() + "/" + name + "/" + name + ".ini";
}

std::optional<std::string> IniSettings::Read(std::string_view application, std::string_view section,
                                             std::string_view key) {
  std::string text;
  if (ReadSettingsFile(FilePath(application), text) != Found::Settings) {
    return std::nullopt;
  }
  const KeyFilePtr file = Load(text);
  // The raw value, as written: key-file escapes are not ours to undo.
  GText value(g_key_file_get_value(file.get(), std::string(section).c_str(),
                                   std::string(key).c_str(), nullptr));
  if (!value) {
    return std::nullopt;
  }
  return std::string(value.get());
}

bool IniSettings::Write(std::string_view application, std::string_view section,
                        std::string_view key, std::string_view value) {
  const std::string path = FilePath(application);
  std::string text;
  if (ReadSettingsFile(path, text) == Found::Unusable) {
    return false;  // not ours to replace
  }
  const GText folder(g_path_get_dirname(path.c_str()));
  if (g_mkdir_with_parents(folder.get(), 0700) != 0) {
    return false;
  }
  const KeyFilePtr file = Load(text);
  g_key_file_set_value(file.get(), std::string(section).c_str(), std::string(key).c_str(),
                       std::string(value).c_str());
  gsize length = 0;
  const GText data(g_key_file_to_data(file.get(), &length, nullptr));
  // Written to a new file beside it and renamed over it: a reader (another
  // copy of the program) sees the old file or the new one, never half of it.
  return data && g_file_set_contents(WritePathFor(path).c_str(), data.get(),
                                     static_cast<gssize>(length), nullptr) != FALSE;
}

}  // namespace platform::x11
