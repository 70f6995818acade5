// Pictures built into the executable as RCDATA resources (JPEG), decoded with
// the Windows Imaging Component into a device-independent bitmap.
#pragma once

#include "platform/win32/win32_api.h"

#include <string_view>

#include "platform/win32/handles.h"

namespace platform::win32 {

// The picture of that name, or an empty bitmap when it is missing or cannot
// be decoded. COM must be initialised on the calling thread.
UniqueBitmap LoadResourcePicture(HINSTANCE instance, std::string_view name, SIZE& size);

}  // namespace platform::win32
