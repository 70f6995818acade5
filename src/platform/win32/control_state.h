// What a control's child window holds on to while it lives: its place in the
// design, where its events go, and what it paints.
#pragma once

#include "platform/win32/win32_api.h"

#include <string>

#include "platform/backend.h"

namespace platform::win32 {

// What a control's child window needs to paint and report itself; labels
// and picture boxes keep a pointer to it for their whole life.
struct ControlState {
  int index = 0;
  const ControlDesign* design = nullptr;
  WindowEvents* events = nullptr;
  HWND window = nullptr;
  Colour back_colour = 0;
  Colour fore_colour = 0;
  std::wstring text;
  HFONT font = nullptr;       // owned by the form's controls
  HBITMAP picture = nullptr;  // owned by the form's controls
  SIZE picture_size{};        // in picture pixels
  UINT dpi = USER_DEFAULT_SCREEN_DPI;
};

}  // namespace platform::win32
