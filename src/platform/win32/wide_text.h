// The program keeps its text in UTF-8; Windows takes UTF-16.
#pragma once

#include <string>
#include <string_view>

namespace platform::win32 {

std::wstring Widen(std::string_view text);
std::string Narrow(std::wstring_view text);

}  // namespace platform::win32
