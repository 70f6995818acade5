// Preloaded into the program by the X11 tests: writes one line, "call NAME",
// to the file named by VARN_ENVIRONMENT_LOG for each call that changes the
// process's environment (setenv, putenv, unsetenv, clearenv, GLib's
// g_setenv and g_unsetenv included, which call these), then makes the call.
// A call that changes nothing (removing a name that is not there) is not
// written: it races with no reader.
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

template <typename Function>
Function Next(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

void Note(const char* call, const char* name, std::size_t length) {
  const char* log = std::getenv("VARN_ENVIRONMENT_LOG");
  if (log == nullptr) {
    return;
  }
  char line[512];
  const int size = std::snprintf(line, sizeof line, "%s %.*s\n", call,
                                 static_cast<int>(length < 400 ? length : 400), name);
  const int file = open(log, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
  if (file >= 0 && size > 0) {
    (void)!write(file, line, static_cast<std::size_t>(size));
  }
  if (file >= 0) {
    close(file);
  }
}

}  // namespace

extern "C" {

int setenv(const char* name, const char* value, int overwrite) {
  static const auto next = Next<int (*)(const char*, const char*, int)>("setenv");
  if (name != nullptr && (overwrite != 0 || std::getenv(name) == nullptr)) {
    Note("setenv", name, std::strlen(name));
  }
  return next(name, value, overwrite);
}

int unsetenv(const char* name) {
  static const auto next = Next<int (*)(const char*)>("unsetenv");
  if (std::getenv(name) != nullptr) {
    Note("unsetenv", name, std::strlen(name));
  }
  return next(name);
}

int putenv(char* text) {
  static const auto next = Next<int (*)(char*)>("putenv");
  const char* equals = std::strchr(text, '=');
  Note("putenv", text,
       equals != nullptr ? static_cast<std::size_t>(equals - text) : std::strlen(text));
  return next(text);
}

int clearenv() {
  static const auto next = Next<int (*)()>("clearenv");
  Note("clearenv", "", 0);
  return next();
}

}  // extern "C"
