# Clang and lld-link for the MSVC ABI, to build hosts the way MSVC or clang-cl would without
# either installed. There is no MSVC runtime or Windows SDK here, so the hosts built with it are
# freestanding, and CMake's compiler checks build static libraries rather than programs.
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-clang-msvc.cmake -DZV_MSVC_ARCH=x86_64|i686 ...
set(CMAKE_SYSTEM_NAME Windows)
set(ZV_MSVC_ARCH x86_64 CACHE STRING "x86_64 or i686")
# try_compile projects read this file again, without the cache.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ZV_MSVC_ARCH)
set(CMAKE_SYSTEM_PROCESSOR ${ZV_MSVC_ARCH})

set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET ${ZV_MSVC_ARCH}-pc-windows-msvc)
set(CMAKE_CXX_COMPILER_TARGET ${ZV_MSVC_ARCH}-pc-windows-msvc)
set(CMAKE_LINKER lld-link CACHE FILEPATH "")
set(CMAKE_AR llvm-ar CACHE FILEPATH "")
set(CMAKE_RC_COMPILER llvm-rc CACHE FILEPATH "")
set(CMAKE_MT llvm-mt CACHE FILEPATH "")
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

# No Windows SDK: the system libraries a program links are named by the project itself.
set(CMAKE_C_STANDARD_LIBRARIES "" CACHE STRING "")
set(CMAKE_CXX_STANDARD_LIBRARIES "" CACHE STRING "")
# No MSVC runtime either: no runtime selection flags.
set(CMAKE_MSVC_RUNTIME_LIBRARY "")
