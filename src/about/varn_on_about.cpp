#include "about/varn_on_about.h"

#include "about/about_design.h"
#include "app/placement.h"

namespace about {

VarnOnAbout::VarnOnAbout(platform::Application& app)
    : platform::Form(app, AboutWindowDesign()),
      OK_BUTTON(ControlNamed("OK_BUTTON")),
      BRELLOCK_VARN_ON_CREATOR(ControlNamed("BRELLOCK_VARN_ON_CREATOR")) {
  OK_BUTTON.Click = [this] { OK_BUTTON_Click(); };
  BRELLOCK_VARN_ON_CREATOR.DblClick = [this] { BRELLOCK_VARN_ON_CREATOR_DblClick(); };
}

void VarnOnAbout::Form_Load() {
  app::RestorePlacement(*this, App().Settings(), app::kAboutPlacement);
}

void VarnOnAbout::Form_Unload(std::int16_t& /*Cancel*/) {
  // Saved whatever the window state.
  app::SavePosition(*this, App().Settings(), app::kAboutPlacement);
}

void VarnOnAbout::OK_BUTTON_Click() {
  app::SavePosition(*this, App().Settings(), app::kAboutPlacement);
  App().Unload(*this);
}

void VarnOnAbout::BRELLOCK_VARN_ON_CREATOR_DblClick() {
  BRELLOCK_VARN_ON_CREATOR.SetCaption(kAuthorEmail);
}

void ShowAboutWindow(std::unique_ptr<VarnOnAbout>& shared_instance, platform::Form& owner) {
  if (!shared_instance) {
    shared_instance = std::make_unique<VarnOnAbout>(owner.App());
  }
  shared_instance->Show(1, owner);
}

}  // namespace about
