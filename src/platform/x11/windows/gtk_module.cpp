// Finding and loading the GTK module on first use.
#include "platform/x11/windows/gtk_module.h"

#include <cstdio>
#include <string>

#include "platform/x11/connection/program_module.h"
#include "platform/x11/icon/embedded_assets.h"
#include "platform/x11/icon/icon_image.h"

namespace platform::x11 {

std::unique_ptr<gtk_about::GtkForm> GtkModule::MakeForm(const FormDesign& design,
                                                        WindowEvents& events,
                                                        double twips_per_pixel,
                                                        const std::function<void()>& meanwhile) {
  if (!tried_) {
    tried_ = true;
    std::string why;
    using Start = bool (*)();
    const auto start = reinterpret_cast<Start>(
        ProgramModuleEntry("brellock-varn-on-about.so", "varn_start_gtk", why));
    make_ = reinterpret_cast<Make>(
        ProgramModuleEntry("brellock-varn-on-about.so", "varn_make_gtk_form", why));
    if (start == nullptr || make_ == nullptr) {
      std::fprintf(stderr, "brellock-varn-on: cannot show the About window's controls: %s\n",
                   why.c_str());
      make_ = nullptr;
      return nullptr;
    }
    meanwhile();
    started_ = start();
    meanwhile();
  }
  if (make_ == nullptr || !started_) {
    return nullptr;
  }
  gtk_about::FormSetup setup;
  setup.twips_per_pixel = twips_per_pixel;
  setup.meanwhile = meanwhile;
  if (!design.icon.empty()) {
    setup.icon = IconPixels(EmbeddedAsset(design.icon));
  }
  return std::unique_ptr<gtk_about::GtkForm>(make_(design, events, setup));
}

}  // namespace platform::x11
