#pragma once

#include "platform/design.h"

namespace app {

// The main window VARN_ON_MAIN as it stands when created: a black strip with
// seven red lamps, and nineteen timers that do nothing until the window loads.
const platform::FormDesign& MainWindowDesign();

}  // namespace app
