# Packages made with cpack from a build: a .deb from the Linux build (its
# dependencies read from the binaries by dpkg-shlibdeps), a .zip from the
# Windows build (the portable executable and the README). The version is the
# project's.
set(CPACK_PACKAGE_NAME brellock-varn-on)
set(CPACK_PACKAGE_VENDOR "Tavisk")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "sweeping lamp bar and blinking Num Lock light")
set(CPACK_STRIP_FILES ON)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME BRELLOCK-VARN-ON-${PROJECT_VERSION}-windows)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  # A package depends on the libraries of the release it was built on (Debian
  # 13's have new names), so its version and file name say which that is:
  # brellock-varn-on_1.0.0+deb13_amd64.deb.
  set(debian_release "")
  if(EXISTS /etc/debian_version)
    file(STRINGS /etc/os-release debian_release REGEX "^VERSION_ID=")
    string(REGEX REPLACE "^VERSION_ID=\"?([0-9]+).*" "\\1" debian_release "${debian_release}")
  endif()
  if(debian_release)
    set(CPACK_DEBIAN_PACKAGE_VERSION ${PROJECT_VERSION}+deb${debian_release})
  endif()
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # The modules in /usr/lib/brellock-varn-on need no ldconfig calls.
  set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/deb-private-modules.cmake)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Tavisk <tavisk@example.com>")
  set(CPACK_DEBIAN_PACKAGE_SECTION x11)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.example.com/")
  set(CPACK_PACKAGE_DESCRIPTION
      "A small desktop ornament: a narrow always-on-top window holds a strip of\nseven lamps with one red light sweeping along them and back, while Num Lock\nis pressed every 750 ms so that the keyboard light blinks.")
  # Debian's documentation files: the copyright and a compressed changelog.
  set(changelog ${CMAKE_BINARY_DIR}/changelog.gz)
  add_custom_command(OUTPUT ${changelog}
    COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/assets/linux/changelog > ${changelog}
    DEPENDS ${PROJECT_SOURCE_DIR}/assets/linux/changelog)
  add_custom_target(package_changelog ALL DEPENDS ${changelog})
  install(FILES ${PROJECT_SOURCE_DIR}/assets/linux/copyright ${changelog}
          DESTINATION share/doc/brellock-varn-on)
  # The manual page, compressed as Debian keeps them; `cmake --install`
  # puts it in the prefix's share/man too, where man finds it.
  configure_file(${PROJECT_SOURCE_DIR}/assets/linux/brellock-varn-on.1.in
                 ${CMAKE_BINARY_DIR}/brellock-varn-on.1 @ONLY)
  set(manual_page ${CMAKE_BINARY_DIR}/brellock-varn-on.1.gz)
  add_custom_command(OUTPUT ${manual_page}
    COMMAND gzip -9nc ${CMAKE_BINARY_DIR}/brellock-varn-on.1 > ${manual_page}
    DEPENDS ${CMAKE_BINARY_DIR}/brellock-varn-on.1)
  add_custom_target(manual_page ALL DEPENDS ${manual_page})
  install(FILES ${manual_page} DESTINATION share/man/man1)
endif()
include(CPack)
