#!/usr/bin/env bash
# Installs the build tree into a fresh temporary prefix (the install only
# copies what is built), then builds and runs the consumer program twice:
# once with the flags pkg-config gives, once as a CMake project that finds
# the package with find_package.  Also runs the installed zldb.
# Usage: consumer_test.sh BUILD_DIR SOURCE_DIR CXX
set -euo pipefail
build=$1 source=$2 cxx=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null

# The library carries its SONAME, and the links lead to it.
lib=$(find "$prefix" -name libzldbctrl70.so -print -quit)
[ -n "$lib" ] || { echo "libzldbctrl70.so was not installed"; exit 1; }
libdir=$(dirname "$lib")
soname=$(objdump -p "$lib" | awk '$1 == "SONAME" { print $2 }')
[ -n "$soname" ] && [ -e "$libdir/$soname" ] || { echo "no SONAME link ($soname)"; exit 1; }
"$prefix/bin/zldb" --help >/dev/null

# pkg-config.
mkdir "$work/pc"
export PKG_CONFIG_PATH=$libdir/pkgconfig
# shellcheck disable=SC2046
"$cxx" -std=c++17 "$source/tests/install/consumer.cpp" -o "$work/pc/consumer" \
  $(pkg-config --cflags --libs zldbctrl70) -Wl,-rpath,"$libdir"
"$work/pc/consumer" "$work/pc"

# find_package.
cmake -S "$source/tests/install" -B "$work/cm" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_RPATH="$libdir" >/dev/null
cmake --build "$work/cm" >/dev/null
"$work/cm/consumer" "$work/cm"
