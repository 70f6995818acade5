# Cross-compiles the Win32 build of BRELLOCK-VARN-ON with mingw-w64 for 64-bit
# Windows. Programs are linked fully static, so the executable imports only
# system DLLs; test programs run under Wine through tools/wine-run.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VARN_MINGW_PREFIX x86_64-w64-mingw32)
# The POSIX-threads compiler: GoogleTest needs std::mutex, which the
# win32-threads one of this GCC lacks; winpthread is linked in statically.
find_program(CMAKE_CXX_COMPILER NAMES ${VARN_MINGW_PREFIX}-g++-posix
                                      REQUIRED)
find_program(CMAKE_C_COMPILER NAMES ${VARN_MINGW_PREFIX}-gcc-posix REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${VARN_MINGW_PREFIX}-windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${VARN_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Wide-character Windows APIs throughout.
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00
                        WINVER=0x0A00)

set(CMAKE_CXX_FLAGS_INIT "-ffunction-sections -fdata-sections")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -Wl,--gc-sections")
set(CMAKE_EXE_LINKER_FLAGS_MINSIZEREL_INIT "-s")

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run)
