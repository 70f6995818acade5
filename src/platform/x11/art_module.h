// The control art module (brellock-varn-on-controls.so), loaded the first
// time a control that shows text or a picture is made, and never unloaded.
#pragma once

#include <memory>

#include "platform/x11/control_art.h"

namespace platform::x11 {

class Display;

class ArtModule {
 public:
  explicit ArtModule(Display& display) : display_(display) {}
  ~ArtModule();
  ArtModule(const ArtModule&) = delete;
  ArtModule& operator=(const ArtModule&) = delete;

  // nullptr when the module cannot be loaded; that is said once on stderr.
  ControlArt* Get();

 private:
  Display& display_;
  std::unique_ptr<ControlArt> art_;
  bool tried_ = false;
};

}  // namespace platform::x11
