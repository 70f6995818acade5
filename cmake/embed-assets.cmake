# Writes a C++ source that holds files as byte arrays, found by name through
# one function: std::span<const unsigned char> FUNCTION(std::string_view name)
# in namespace platform::x11, empty for a name it does not hold.
#
#   varn_embed_assets(OUTPUT_CPP FUNCTION NAME FILE [NAME FILE ...])
function(varn_embed_assets output function)
  set(arrays "")
  set(lookups "")
  set(index 0)
  set(arguments ${ARGN})
  list(LENGTH arguments count)
  while(index LESS count)
    list(GET arguments ${index} name)
    math(EXPR next "${index} + 1")
    list(GET arguments ${next} file)
    file(READ "${file}" bytes HEX)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${bytes}")
    string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
    string(APPEND arrays "constexpr unsigned char k${name}[] = {\n${bytes}};\n")
    string(APPEND lookups "  if (name == \"${name}\") {\n    return k${name};\n  }\n")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${file}")
    math(EXPR index "${index} + 2")
  endwhile()
  file(CONFIGURE OUTPUT "${output}" CONTENT "// Made by the build from the files in assets/.
#include <span>
#include <string_view>

namespace platform::x11 {
namespace {
${arrays}}  // namespace

std::span<const unsigned char> ${function}(std::string_view name) {
${lookups}  return {};
}

}  // namespace platform::x11
")
endfunction()
