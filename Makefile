# The two everyday commands: `make demo` (the main job on its built-in sample) and
# `make test`. Both install missing Debian packages first.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps build test demo bench sanitize clean

all: build

deps:
	@scripts/install-deps

build: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j$(JOBS)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j$(JOBS)

demo: build
	@scripts/demo $(BUILD)

bench:
	@scripts/install-deps --bench
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DZV_BUILD_TESTS=OFF -DZV_BUILD_BENCH=ON
	cmake --build build-bench -j$(JOBS)
	@scripts/run-bench build-bench

sanitize:
	$(MAKE) test BUILD=build-asan CMAKE_FLAGS="-DZV_SANITIZE=address,undefined -DCMAKE_BUILD_TYPE=Debug"

clean:
	rm -rf build build-asan build-bench demo-out
