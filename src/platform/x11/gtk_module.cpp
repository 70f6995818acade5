// Finding and loading the GTK module on first use.
#include "platform/x11/gtk_module.h"

#include <cstdio>
#include <string>

#include "platform/x11/embedded_assets.h"
#include "platform/x11/icon_image.h"
#include "platform/x11/program_module.h"

namespace platform::x11 {

std::unique_ptr<gtk_about::GtkForm> GtkModule::MakeForm(const FormDesign& design,
                                                        WindowEvents& events,
                                                        double twips_per_pixel) {
  if (!tried_) {
    tried_ = true;
    std::string why;
    make_ = reinterpret_cast<Make>(
        ProgramModuleEntry("brellock-varn-on-about.so", "varn_make_gtk_form", why));
    if (make_ == nullptr) {
      std::fprintf(stderr, "brellock-varn-on: cannot show the About window's controls: %s\n",
                   why.c_str());
    }
  }
  if (make_ == nullptr) {
    return nullptr;
  }
  gtk_about::FormSetup setup;
  setup.twips_per_pixel = twips_per_pixel;
  if (!design.icon.empty()) {
    setup.icon = IconPixels(EmbeddedAsset(design.icon));
  }
  return std::unique_ptr<gtk_about::GtkForm>(make_(design, events, setup));
}

}  // namespace platform::x11
