// The About window: names the program and its author, remembers where it
// stood, and closes with its OK button.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/application.h"
#include "platform/form.h"

namespace about {

class VarnOnAbout : public platform::Form {
 public:
  explicit VarnOnAbout(platform::Application& app);

  platform::CommandButton& OK_BUTTON;
  platform::Label& BRELLOCK_VARN_ON_CREATOR;

 protected:
  void Form_Load() override;
  void Form_Unload(std::int16_t& Cancel) override;

 private:
  void OK_BUTTON_Click();
  void BRELLOCK_VARN_ON_CREATOR_DblClick();
};

// The body shared by the double-click handlers of the strip and the lamps:
// make the one About window on first use, then show it modally over `owner`.
// Returns once the About window has been unloaded.
void ShowAboutWindow(std::unique_ptr<VarnOnAbout>& shared_instance, platform::Form& owner);

}  // namespace about
