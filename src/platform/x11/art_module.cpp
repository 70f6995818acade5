// Finding and loading the control art module on first use.
#include "platform/x11/art_module.h"

#include <dlfcn.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/x11/x11_display.h"

namespace platform::x11 {

namespace {

constexpr const char* kArtModule = "brellock-varn-on-controls.so";

// Next to the program in a build, or in its library folder once installed.
std::vector<std::string> ArtModulePlaces() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) {
    return {kArtModule};
  }
  const std::filesystem::path folder = program.parent_path();
  return {(folder / kArtModule).string(),
          (folder.parent_path() / "lib" / "brellock-varn-on" / kArtModule).string()};
}

xcb_visualtype_t* RootVisual(const xcb_screen_t& screen) {
  for (auto depths = xcb_screen_allowed_depths_iterator(&screen); depths.rem > 0;
       xcb_depth_next(&depths)) {
    for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem > 0;
         xcb_visualtype_next(&visuals)) {
      if (visuals.data->visual_id == screen.root_visual) {
        return visuals.data;
      }
    }
  }
  return nullptr;
}

}  // namespace

ArtModule::~ArtModule() = default;

ControlArt* ArtModule::Get() {
  if (tried_) {
    return art_.get();
  }
  tried_ = true;
  std::string why = "not found";
  void* module = nullptr;
  for (const std::string& place : ArtModulePlaces()) {
    // Never unloaded: the text libraries register types that cannot go.
    module = dlopen(place.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (module != nullptr) {
      break;
    }
    why = dlerror();
  }
  using Make = ControlArt* (*)(xcb_connection_t*, xcb_visualtype_t*, double);
  const auto make =
      module != nullptr ? reinterpret_cast<Make>(dlsym(module, "varn_make_control_art")) : nullptr;
  if (make == nullptr) {
    std::fprintf(stderr, "brellock-varn-on: cannot draw text and pictures: %s\n", why.c_str());
    return nullptr;
  }
  art_.reset(make(display_.Connection(), RootVisual(display_.Screen()), display_.DotsPerInch()));
  return art_.get();
}

}  // namespace platform::x11
