// Feeds arbitrary stored texts to the number conversion and to the main
// window's placement restore. Whatever is stored, the window gets either the
// number the text holds (when the window system can take it) or the key's
// default, and nothing crashes or misbehaves.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/main_design.h"
#include "app/placement.h"
#include "app/settings.h"
#include "platform/application.h"
#include "platform/form.h"
#include "platform/sim/sim_backend.h"

namespace {

void Check(bool condition) {
  if (!condition) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  const std::optional<float> number = app::TextToNumber(text);
  if (number) {
    Check(std::isfinite(*number));
    Check(app::TextToNumber(app::NumberToText(*number)) == *number);
  }

  platform::sim::SimBackend backend;
  platform::Application application(backend);
  platform::Form window(application, app::MainWindowDesign());
  for (const char* key : {"MainLeft", "MainTop", "MainWidth", "MainHeight"}) {
    backend.settings().Store(key, text);
  }
  window.Show();
  app::RestorePlacement(window, backend.settings(), app::kMainPlacement);

  const bool usable_position = number && std::fabs(*number) <= app::kLargestCoordinate;
  const bool usable_size = usable_position && *number >= 0;
  Check(window.Left() == (usable_position ? *number : 1000.0f));
  Check(window.Top() == (usable_position ? *number : 1000.0f));
  Check(window.Width() == (usable_size ? *number : 2760.0f));
  Check(window.Height() == (usable_size ? *number : 855.0f));
  Check(backend.settings().WriteLog().empty());
  return 0;
}
