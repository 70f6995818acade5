// Finding and loading the control art module on first use.
#include "platform/x11/art_module.h"

#include <cstdio>
#include <string>

#include "platform/x11/program_module.h"
#include "platform/x11/x11_display.h"

namespace platform::x11 {

namespace {

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
  std::string why;
  using Make = ControlArt* (*)(xcb_connection_t*, xcb_visualtype_t*, double);
  const auto make = reinterpret_cast<Make>(
      ProgramModuleEntry("brellock-varn-on-controls.so", "varn_make_control_art", why));
  if (make == nullptr) {
    std::fprintf(stderr, "brellock-varn-on: cannot draw text and pictures: %s\n", why.c_str());
    return nullptr;
  }
  art_.reset(make(display_.Connection(), RootVisual(display_.Screen()), display_.DotsPerInch()));
  return art_.get();
}

}  // namespace platform::x11
