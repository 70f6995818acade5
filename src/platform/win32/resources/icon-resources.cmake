# Writes the program icon as explicit resources: the image as RT_ICON 30001
# and its directory as RT_GROUP_ICON 1. windres's ICON statement would number
# the image itself; the program and its checks rely on these exact ids.
#
#   varn_write_icon_rc(ICO_FILE OUTPUT_RC)
function(varn_write_icon_rc ico output)
  file(READ "${ico}" header LIMIT 22 HEX)
  string(SUBSTRING "${header}" 0 12 icon_dir)       # reserved, type 1, count
  string(SUBSTRING "${header}" 12 24 entry)         # width ... image size, 12 bytes
  string(SUBSTRING "${header}" 36 8 offset_hex)     # where the image starts
  if(NOT icon_dir STREQUAL "000001000100")
    message(FATAL_ERROR "${ico}: expected an icon file with one image")
  endif()
  # The offset is little-endian; reverse its bytes to read it as a number.
  string(REGEX REPLACE "(..)(..)(..)(..)" "\\4\\3\\2\\1" offset_be "${offset_hex}")
  math(EXPR offset "0x${offset_be}")

  file(READ "${ico}" image OFFSET ${offset} HEX)
  string(LENGTH "${image}" image_digits)
  math(EXPR odd "${image_digits} % 4")
  if(NOT odd EQUAL 0)
    string(APPEND image "00")  # resources hold 16-bit words; pad the last one
  endif()

  # GRPICONDIR (6 bytes) + GRPICONDIRENTRY: the 12 bytes of the file's entry,
  # then the resource id 30001 (0x7531).
  set(group "${icon_dir}${entry}3175")

  foreach(part image group)
    # Little-endian bytes to 16-bit words for the raw data block.
    string(REGEX REPLACE "(..)(..)" "0x\\2\\1," words "${${part}}")
    string(REGEX REPLACE "((0x....,){16})" "\\1\n" words "${words}")
    string(REGEX REPLACE ",$" "" words "${words}")
    set(${part}_words "${words}")
  endforeach()

  file(WRITE "${output}.tmp"
       "// Generated from ${ico}; do not edit.\n"
       "30001 3\nBEGIN\n${image_words}\nEND\n\n"
       "1 14\nBEGIN\n${group_words}\nEND\n")
  file(COPY_FILE "${output}.tmp" "${output}" ONLY_IF_DIFFERENT)
  file(REMOVE "${output}.tmp")
endfunction()
