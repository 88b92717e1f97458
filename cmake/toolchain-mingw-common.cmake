# Shared part of the mingw-w64 toolchain files; set ZV_MINGW_TRIPLET before including it.
#
# The codecs come from a prefix that scripts/windows-deps fills:
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-x86_64.cmake \
#         -DZV_WINDOWS_DEPS="$(scripts/windows-deps x86_64 | tail -n1)" ...
# Everything in it is static, and so is the C and C++ runtime linked below, so a built program or
# DLL needs nothing but the DLLs that come with Windows.

set(CMAKE_SYSTEM_NAME Windows)

# The -posix compilers use the winpthreads thread model, which std::thread and std::mutex need
# (the -win32 ones lack them in GCC 12).
set(CMAKE_C_COMPILER ${ZV_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZV_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${ZV_MINGW_TRIPLET}-windres)
# Named outright: the -posix suffix keeps CMake from deriving the binutils prefix, and the host's
# ar cannot index COFF objects.
set(CMAKE_AR ${ZV_MINGW_TRIPLET}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${ZV_MINGW_TRIPLET}-ranlib CACHE FILEPATH "")

set(ZV_WINDOWS_DEPS "$ENV{ZV_WINDOWS_DEPS}" CACHE PATH
  "Prefix with the static Windows codecs (the last line that scripts/windows-deps prints)")
# try_compile projects read this file again, without the cache.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ZV_WINDOWS_DEPS)

# The prefix comes first, so its static libz.a wins over the sysroot's libz.dll.a, which would
# make every program need zlib1.dll.
set(CMAKE_FIND_ROOT_PATH ${ZV_WINDOWS_DEPS} /usr/${ZV_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config (LibRaw) reads only the prefix's .pc files, never the build machine's.
if(ZV_WINDOWS_DEPS)
  set(ENV{PKG_CONFIG_LIBDIR} "${ZV_WINDOWS_DEPS}/lib/pkgconfig")
else()
  set(ENV{PKG_CONFIG_LIBDIR} "/usr/${ZV_MINGW_TRIPLET}/lib/pkgconfig")
endif()
set(ENV{PKG_CONFIG_PATH} "")

# libgcc, libstdc++ and winpthread linked in: -static-libgcc and -static-libstdc++ alone would
# still leave libwinpthread-1.dll, which libstdc++ pulls in through the posix thread model.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# Test programs run under Wine. Discovering GoogleTest cases waits until ctest runs, so that
# building needs no Wine, and its first start (which sets up ~/.wine) happens outside the build.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
