# The two everyday commands: `make demo` (the main job on its built-in sample) and
# `make test`. Both install missing Debian packages first.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps build test test32 test-arm64 demo bench sanitize tsan fuzz windows windows-test clean

all: build

deps:
	@scripts/install-deps

build: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j$(JOBS)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j$(JOBS)

# The library and the whole suite as 32-bit Linux programs (g++ -m32, the :i386 codecs), every
# test run through qemu-i386-static. PIL's reference decodes are shared with the native build.
# Built without debug information to keep this CI step short.
test32:
	@scripts/install-deps --i386
	cmake -S . -B build-i386 -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/toolchain-linux-i386.cmake \
	  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG" \
	  -DZV_PIL_CACHE_DIR=$(CURDIR)/$(BUILD)/pil-references
	cmake --build build-i386 -j$(JOBS)
	ctest --test-dir build-i386 --output-on-failure -j$(JOBS)

# The same for 64-bit ARM Linux: cross-built with aarch64-linux-gnu-g++ against the :arm64 codecs,
# every test run through qemu-aarch64-static. Plain char is unsigned there, and long double is
# 128-bit.
test-arm64:
	@scripts/install-deps --arm64
	cmake -S . -B build-arm64 -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/toolchain-linux-aarch64.cmake \
	  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG" \
	  -DZV_PIL_CACHE_DIR=$(CURDIR)/$(BUILD)/pil-references
	cmake --build build-arm64 -j$(JOBS)
	ctest --test-dir build-arm64 --output-on-failure -j$(JOBS)

demo: build
	@scripts/demo $(BUILD)

bench:
	@scripts/install-deps --bench
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DZV_BUILD_TESTS=OFF -DZV_BUILD_BENCH=ON
	cmake --build build-bench -j$(JOBS)
	@scripts/run-bench build-bench

# Builds the libFuzzer programs with clang and runs each for FUZZ_SECONDS, FUZZ_JOBS at once.
FUZZ_SECONDS ?= 600
FUZZ_JOBS ?= 2
fuzz:
	@scripts/install-deps --fuzz
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZV_BUILD_FUZZ=ON \
	  -DZV_SANITIZE=fuzzer-no-link,address,undefined
	cmake --build build-fuzz -j$(JOBS) --target $(addprefix fuzz_,jpeg png tiff gif bmp tga pcx psd pcd metafile raw dims parse_line metadata)
	@scripts/run-fuzz build-fuzz $(FUZZ_SECONDS) $(FUZZ_JOBS)

sanitize:
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
	  $(MAKE) test BUILD=build-asan CMAKE_FLAGS="-DZV_SANITIZE=address,undefined -DCMAKE_BUILD_TYPE=Debug \
	  -DZV_PIL_CACHE_DIR=$(CURDIR)/build/pil-references"

# The concurrency tests under ThreadSanitizer: the exports called from many threads, and
# zvtool's batch on several cores (its tests run the instrumented program).
tsan: deps
	cmake -S . -B build-tsan -DZV_SANITIZE=thread -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build build-tsan -j$(JOBS) --target test_exports_threads test_tools_zvtool
	TSAN_OPTIONS=halt_on_error=1 build-tsan/tests/test_exports_threads
	TSAN_OPTIONS=halt_on_error=1 build-tsan/tests/test_tools_zvtool

# Windows: both DLLs cross-built with mingw-w64 (the codecs, libexif and Little CMS come from
# scripts/windows-deps, Highway from scripts/windows-deps-highway, each cached after the first run),
# each installed with zvtool.exe and the example host into its build folder's prefix/.
windows:
	@scripts/install-deps --windows
	JOBS=$(JOBS) scripts/windows-build i686 build-win32
	JOBS=$(JOBS) scripts/windows-build x86_64 build-win64

# The test suite under wine64 (and Wine's 32-bit side where it starts), the DLLs' import and
# export tables, the example host on a sample of each family, and the MSVC-ABI hosts. The Linux tests come first:
# they fill the PIL reference cache that the Windows tests read.
windows-test: test
	@scripts/install-deps --windows
	JOBS=$(JOBS) ZV_LINUX_BUILD=$(BUILD) scripts/windows-test

clean:
	rm -rf build build-i386 build-arm64 build-asan build-tsan build-bench build-fuzz build-win32 build-win64 demo-out
