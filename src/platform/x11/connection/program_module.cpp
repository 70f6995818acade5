// Finding and loading the program's own modules.
#include "platform/x11/connection/program_module.h"

#include <dlfcn.h>

#include <filesystem>
#include <vector>

namespace platform::x11 {

namespace {

std::vector<std::string> ModulePlaces(std::string_view file) {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) {
    return {std::string(file)};
  }
  const std::filesystem::path folder = program.parent_path();
  return {(folder / file).string(),
          (folder.parent_path() / "lib" / "brellock-varn-on" / file).string()};
}

}  // namespace

void* ProgramModuleEntry(std::string_view file, const char* entry, std::string& why) {
  why = "not found";
  void* module = nullptr;
  for (const std::string& place : ModulePlaces(file)) {
    module = dlopen(place.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (module != nullptr) {
      break;
    }
    why = dlerror();
  }
  if (module == nullptr) {
    return nullptr;
  }
  void* found = dlsym(module, entry);
  if (found == nullptr) {
    why = std::string(entry) + " missing from " + std::string(file);
  }
  return found;
}

}  // namespace platform::x11
