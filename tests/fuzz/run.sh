#!/usr/bin/env bash
# Builds one fuzz target (tests/fuzz/<target>_fuzz.cpp) with clang's
# libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer and runs it.
# Not part of the CMake build; scripts/test.sh gives every target a short
# run, so a new target needs its name listed below.
#   bash tests/fuzz/run.sh [target] [libFuzzer options...]
# target (textpack, macro_blocks, archive, open_file or bookmarks) defaults
# to textpack; options default to -runs=1000000.  The corpus lives in
# build-fuzz/corpus-<target>; inputs that once found a fault are kept in
# tests/fuzz/seeds/<target> and run first, every time.  Every target links an
# instrumented copy of the library (build-fuzz/libzl_fuzz.a), compiled in
# parallel once and again whenever a source or header is newer: the targets
# of one component take from it only the objects they need, those that
# drive the whole library take all of it.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
target="${1:-textpack}"
shift || true
[ $# -gt 0 ] || set -- -runs=1000000
out="$root/build-fuzz"
mkdir -p "$out/corpus-$target"
flags=(-std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
       -I"$root/include" -I"$root/src")

# The library's sources compiled for fuzzing, in parallel, into one archive.
# An object is compiled again when its source, or any header, is newer.
library() {
  local lib="$out/libzl_fuzz.a" objects="$out/lib-objects"
  mkdir -p "$objects"
  local newest_header
  newest_header="$(find "$root/src" "$root/include" -name '*.h' -printf '%T@\n' | sort -n | tail -n 1)"
  local stale=() source object
  while IFS= read -r -d '' source; do
    object="$objects/$(echo "${source#"$root"/src/}" | tr / _).o"
    if [ ! -f "$object" ] || [ "$source" -nt "$object" ] ||
       [ "$(stat -c %Y "$object")" -lt "${newest_header%.*}" ]; then
      stale+=("$source")
    fi
  done < <(find "$root/src" -name '*.cpp' -print0)
  if [ ${#stale[@]} -gt 0 ] || [ ! -f "$lib" ]; then
    export ZL_FUZZ_FLAGS="-std=c++17 -g -O1 -fsanitize=fuzzer-no-link,address,undefined
      -fno-sanitize-recover=undefined -I$root/include -I$root/src"
    if [ ${#stale[@]} -gt 0 ]; then
      printf '%s\0' "${stale[@]}" |
        xargs -0 -P"$(nproc)" -I{} sh -c \
          'clang++ $ZL_FUZZ_FLAGS -c "$1" -o "$2/$(echo "${1#$3/}" | tr / _).o"' _ {} "$objects" \
          "$root/src"
    fi
    # Objects of sources that no longer exist stay out of the archive.
    rm -f "$lib"
    local keep=()
    while IFS= read -r -d '' source; do
      keep+=("$objects/$(echo "${source#"$root"/src/}" | tr / _).o")
    done < <(find "$root/src" -name '*.cpp' -print0)
    ar rcs "$lib" "${keep[@]}"
  fi
}

case "$target" in
  textpack | macro_blocks | archive)
    library
    libs=("$out/libzl_fuzz.a" -lsqlite3 -lpthread)
    ;;
  open_file | bookmarks)
    library
    libs=(-Wl,--whole-archive "$out/libzl_fuzz.a" -Wl,--no-whole-archive -lsqlite3 -lpthread)
    ;;
  *)
    echo "unknown fuzz target: $target" >&2
    exit 2
    ;;
esac
clang++ "${flags[@]}" "$root/tests/fuzz/${target}_fuzz.cpp" "${libs[@]}" -o "$out/fuzz_$target"
corpora=("$out/corpus-$target")
[ -d "$root/tests/fuzz/seeds/$target" ] && corpora+=("$root/tests/fuzz/seeds/$target")
"$out/fuzz_$target" "${corpora[@]}" "$@"
