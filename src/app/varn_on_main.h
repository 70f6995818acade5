// The main window: the lamp bar, and the timers that run the chase, the
// Num Lock blinker and the topmost keeper.
#pragma once

#include <cstdint>
#include <memory>

#include "keyboard/numlock_blinker.h"
#include "lamps/lamp_chase.h"
#include "platform/application.h"
#include "platform/form.h"

namespace about {
class VarnOnAbout;
}

namespace app {

class VarnOnMain : public platform::Form {
 public:
  explicit VarnOnMain(platform::Application& app);
  ~VarnOnMain() override;

  platform::Label& VARN_BACKGROUND_LABEL;
  lamps::LampRow VARN_LABEL;
  lamps::StepTimers VARN_RED_TIMER;
  keyboard::NumLockTimers NUMLOCK_TIMER;
  platform::Timer& AlwaysOnTopTimer;

  // The About window's one shared instance, once a double-click has made it.
  about::VarnOnAbout* AboutWindow() { return about_.get(); }

 protected:
  void Form_Load() override;
  void Form_Unload(std::int16_t& Cancel) override;

 private:
  void AlwaysOnTopTimer_Timer();
  void VARN_RED_TIMER_Timer(int Index);
  void NUMLOCK_TIMER_Timer(int Index);
  void VARN_BACKGROUND_LABEL_DblClick();
  void VARN_LABEL_DblClick(int Index);

  std::unique_ptr<about::VarnOnAbout> about_;
};

}  // namespace app
