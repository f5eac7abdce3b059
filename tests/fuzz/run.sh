#!/usr/bin/env bash
# Builds one fuzz target (tests/fuzz/<target>_fuzz.cpp) with clang's
# libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer and runs it.
# Not part of the CMake build; scripts/test.sh gives every target a short
# run, so a new target needs its sources listed below.
#   bash tests/fuzz/run.sh [target] [libFuzzer options...]
# target (textpack or macro_blocks) defaults to textpack; options default
# to -runs=1000000.  The corpus lives in build-fuzz/corpus-<target>.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
target="${1:-textpack}"
shift || true
[ $# -gt 0 ] || set -- -runs=1000000
out="$root/build-fuzz"
mkdir -p "$out/corpus-$target"
flags=(-std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
       -I"$root/include" -I"$root/src")
case "$target" in
  textpack)
    sources=("$root"/src/platform/*.cpp "$root"/src/frame/textpack.cpp
             "$root"/src/frame/textpack_code.cpp)
    ;;
  macro_blocks)
    sources=("$root"/src/platform/*.cpp "$root"/src/frame/textpack.cpp
             "$root"/src/frame/textpack_code.cpp "$root"/src/frame/stored_text.cpp
             "$root"/src/macros/macro_blocks.cpp)
    ;;
  *)
    echo "unknown fuzz target: $target" >&2
    exit 2
    ;;
esac
clang++ "${flags[@]}" "${sources[@]}" "$root/tests/fuzz/${target}_fuzz.cpp" \
  -o "$out/fuzz_$target"
"$out/fuzz_$target" "$out/corpus-$target" "$@"
