// The Windows API for the backend's files. platform/backend.h names stacking
// constants that <windows.h> defines as macros, so it must be read first;
// every file here takes <windows.h> through this header for that reason.
#pragma once

// clang-format off
#include "platform/backend.h"
#include <windows.h>
// clang-format on
