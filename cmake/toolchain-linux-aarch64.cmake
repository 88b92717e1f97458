# ARM64 Linux (aarch64) programs built on an amd64 Debian machine with Debian's cross compiler
# (g++-aarch64-linux-gnu) and the :arm64 development packages (scripts/install-deps --arm64),
# run through qemu-aarch64-static:
#   cmake -S . -B build-arm64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-linux-aarch64.cmake
# qemu's user mode hands the guest's system calls to the host kernel, so tests, test discovery
# and the programs the tests start all go through the emulator.

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)

set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)

# Libraries and packages come only from the arm64 multiarch folders; headers are shared between
# the architectures (the compiler adds /usr/include/aarch64-linux-gnu itself), and programs
# (pkg-config, python3) are the build machine's own.
set(CMAKE_LIBRARY_PATH /usr/lib/aarch64-linux-gnu /lib/aarch64-linux-gnu)
set(CMAKE_IGNORE_PATH /usr/lib/x86_64-linux-gnu /lib/x86_64-linux-gnu /usr/lib/i386-linux-gnu
  /lib/i386-linux-gnu /usr/lib64 /lib64 /usr/lib32 /lib32)

set(ENV{PKG_CONFIG_LIBDIR} "/usr/lib/aarch64-linux-gnu/pkgconfig:/usr/share/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")

# No library prefix for qemu (-L): the programs load the :arm64 packages' own loader, C library
# and C++ runtime from the multiarch folders, at the same version as the build machine's. The
# cross compiler's copies under /usr/aarch64-linux-gnu are for linking only; mixing that loader
# with the multiarch C library would pair two builds of glibc.
find_program(ZV_QEMU_AARCH64 NAMES qemu-aarch64-static qemu-aarch64 REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${ZV_QEMU_AARCH64})
