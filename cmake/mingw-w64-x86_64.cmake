# Cross-compiles the Win32 build of BRELLOCK-VARN-ON with mingw-w64 for 64-bit
# Windows. Programs are linked fully static, so the executable imports only
# system DLLs; test programs run under Wine through tools/wine-run.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VARN_MINGW_PREFIX x86_64-w64-mingw32)
# The win32-threads compiler: the program starts no threads of its own, and the
# POSIX-threads one would link winpthread (about 45 KiB) into the executable
# only for the C++ runtime's internal locks.
find_program(CMAKE_CXX_COMPILER NAMES ${VARN_MINGW_PREFIX}-g++-win32 REQUIRED)
find_program(CMAKE_C_COMPILER NAMES ${VARN_MINGW_PREFIX}-gcc-win32 REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${VARN_MINGW_PREFIX}-windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${VARN_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Wide-character Windows APIs throughout.
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00
                        WINVER=0x0A00)

# The executable is meant to stay small (see src/platform/win32/CMakeLists.txt).
# Nothing in the Windows build asks a type for its name at run time, so no
# run-time type information is built in, and the release build optimises for
# size harder than -Os does.
set(CMAKE_CXX_FLAGS_INIT "-ffunction-sections -fdata-sections -fno-rtti")
set(CMAKE_CXX_FLAGS_MINSIZEREL "-Oz -DNDEBUG" CACHE STRING "Flags of the MinSizeRel build")
# The PE header declares Windows 7 (6.1) as the oldest system, which is what
# the program imports for (tools/check-exe). mingw-w64's defaults, OS 4.0 and
# subsystem 5.2, would have Windows treat it as a program written before
# Vista, with the older frame metrics that go with that.
set(CMAKE_EXE_LINKER_FLAGS_INIT
    "-static -static-libgcc -static-libstdc++ -Wl,--gc-sections \
-Wl,--major-os-version,6,--minor-os-version,1,--major-subsystem-version,6,--minor-subsystem-version,1")
set(CMAKE_EXE_LINKER_FLAGS_MINSIZEREL_INIT "-s")

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run)
