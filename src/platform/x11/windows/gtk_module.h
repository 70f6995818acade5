// The GTK module (brellock-varn-on-about.so), loaded the first time a window
// of text and pictures is made, and never unloaded: nothing of GTK is mapped
// before that window first opens.
#pragma once

#include <functional>
#include <memory>

#include "platform/backend.h"
#include "platform/gtk_about/gtk_form.h"

namespace platform::x11 {

class GtkModule {
 public:
  // nullptr when the module cannot be loaded (said once on stderr) or GTK
  // does not start. `meanwhile` runs between the pieces of the work: loading
  // GTK, starting it and making the first window's parts each take long
  // enough for a timer to fall due.
  std::unique_ptr<gtk_about::GtkForm> MakeForm(const FormDesign& design, WindowEvents& events,
                                               double twips_per_pixel,
                                               const std::function<void()>& meanwhile);
  bool Loaded() const { return make_ != nullptr; }

 private:
  using Make = gtk_about::GtkForm* (*)(const FormDesign&, WindowEvents&,
                                       const gtk_about::FormSetup&);
  Make make_ = nullptr;
  bool started_ = false;
  bool tried_ = false;
};

}  // namespace platform::x11
