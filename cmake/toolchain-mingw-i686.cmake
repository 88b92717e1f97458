# Cross-builds for 32-bit Windows with Debian's g++-mingw-w64-i686-posix; see
# toolchain-mingw-common.cmake for the dependency prefix.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(ZV_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)

# 32-bit programs need Debian's wine32 (an i386 package, so a multiarch machine); without it there
# is no emulator, and tests are built but cannot run here.
find_program(ZV_WINE32 NAMES wine PATHS /usr/lib/wine NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(ZV_WINE32)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ZV_WINE32})
endif()
