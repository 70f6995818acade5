// The program's own modules (.so files), loaded when first needed so that
// their libraries are not mapped before: next to the program in a build, or
// in its library folder once installed. Never unloaded: the libraries they
// bring register types that cannot go.
#pragma once

#include <string>
#include <string_view>

namespace platform::x11 {

// The module's entry point of that name; nullptr, with the reason in `why`,
// when the module or the name cannot be found.
void* ProgramModuleEntry(std::string_view file, const char* entry, std::string& why);

}  // namespace platform::x11
