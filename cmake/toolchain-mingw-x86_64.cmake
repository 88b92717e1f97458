# Cross-builds for 64-bit Windows with Debian's g++-mingw-w64-x86-64-posix; see
# toolchain-mingw-common.cmake for the dependency prefix.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ZV_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)

# Debian's wine64 package keeps its loader out of PATH; the wine wrapper would run it too, but
# prefers the 32-bit loader when one is installed.
find_program(ZV_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(ZV_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ZV_WINE64})
endif()
