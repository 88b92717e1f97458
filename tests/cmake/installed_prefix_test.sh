#!/usr/bin/env bash
# Installs the build into a fresh prefix and uses it as someone who unpacked it anywhere
# would: the installed zvtool runs with an empty environment (no LD_LIBRARY_PATH, no
# ldconfig entry), and examples/host.cpp, which includes only <zvdll.h>, compiles warning-free
# against the installed headers through the installed pkg-config file, links and runs.
# A cross build passes its compiler flags (-m32) and the emulator its programs run under.
# Usage: installed_prefix_test.sh BUILD_DIR SOURCE_DIR CXX [SANITIZERS [CXXFLAGS [EMULATOR]]]
set -euo pipefail
build=$1 source=$2 cxx=$3 sanitizers=${4:-}
read -r -a cxxflags <<<"${5:-}"
read -r -a emulator <<<"${6:-}"

prefix=$(mktemp -d "${TMPDIR:-/tmp}/zvdll-prefix.XXXXXX")
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

env -i "${emulator[@]}" "$prefix/bin/zvtool" --help | grep -q "batch"

pc=$(find "$prefix" -name zvdll.pc)
libdir=$(dirname "$(dirname "$pc")")
flags=("${cxxflags[@]}" -Wall -Wextra -Wpedantic -Werror)
[[ -n $sanitizers ]] && flags+=("-fsanitize=$sanitizers")
read -r -a package <<<"$(PKG_CONFIG_PATH=$(dirname "$pc") pkg-config --cflags --libs zvdll)"
"$cxx" "${flags[@]}" "$source/examples/host.cpp" -o "$prefix/host" "${package[@]}" "-Wl,-rpath,$libdir"
env -i "${emulator[@]}" "$prefix/host" | grep -q "^template"
echo "installed prefix works: $prefix"
