// The child window classes behind labels and picture boxes.
#pragma once

#include "platform/win32/win32_api.h"

namespace platform::win32 {

inline constexpr wchar_t kLabelClass[] = L"BrellockVarnOnLabel";
inline constexpr wchar_t kPictureClass[] = L"BrellockVarnOnPicture";

// Both classes take a ControlState* as the creation parameter and keep it for
// their whole life; the form owns it.
void RegisterControlClasses(HINSTANCE instance);

}  // namespace platform::win32
