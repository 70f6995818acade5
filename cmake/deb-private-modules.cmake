# Run by cpack after it has made the .deb (CPACK_POST_BUILD_SCRIPTS).
#
# CPack gives a package postinst and postrm scripts that call ldconfig as
# soon as it holds a shared object anywhere under /usr/lib, and so for the
# program's own modules in /usr/lib/brellock-varn-on, which the dynamic
# linker never searches: the program opens them by their full path. Such a
# package has nothing for ldconfig to do, and Debian wants no ldconfig call
# in maintainer scripts anyway (libc's trigger does it for packages that do
# ship libraries). So a package whose scripts hold nothing else, and whose
# shared objects all lie below /usr/lib/brellock-varn-on, is made again
# without them.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(NOT package MATCHES "\\.deb$")
    continue()
  endif()
  get_filename_component(work ${package} DIRECTORY)
  set(tree ${work}/without-ldconfig)
  file(REMOVE_RECURSE ${tree})
  execute_process(COMMAND dpkg-deb --raw-extract ${package} ${tree} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "cannot unpack ${package}")
  endif()

  set(only_ldconfig TRUE)
  foreach(script postinst postrm)
    if(EXISTS ${tree}/DEBIAN/${script})
      file(STRINGS ${tree}/DEBIAN/${script} lines)
      foreach(line IN LISTS lines)
        string(STRIP "${line}" line)
        if(NOT line MATCHES "^(#!/bin/sh|set -e|if \\[ \"\\$1\" = \"(configure|remove)\" \\]; then|ldconfig|fi|)$")
          set(only_ldconfig FALSE)
        endif()
      endforeach()
    endif()
  endforeach()
  file(GLOB_RECURSE libraries RELATIVE ${tree} ${tree}/lib/*.so* ${tree}/usr/lib/*.so*)
  foreach(library IN LISTS libraries)
    if(NOT library MATCHES "^usr/lib/brellock-varn-on/[^/]+\\.so$")
      set(only_ldconfig FALSE)  # a library the linker may look for: keep the calls
    endif()
  endforeach()

  if(only_ldconfig)
    file(REMOVE ${tree}/DEBIAN/postinst ${tree}/DEBIAN/postrm)
    execute_process(COMMAND dpkg-deb --root-owner-group --build ${tree} ${package}
                    OUTPUT_QUIET RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "cannot make ${package} again without its ldconfig calls")
    endif()
  endif()
  file(REMOVE_RECURSE ${tree})
endforeach()
