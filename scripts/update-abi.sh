#!/usr/bin/env bash
# Rewrites abi/exports.txt from the library as built, after a deliberate
# change of the exported surface (the abi_exports test compares the two).
#   bash scripts/update-abi.sh [BUILD_DIR]    (default: build)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
cmake --build "$build" --target zldbctrl70 -j2 >/dev/null
lib="$(find "$build" -maxdepth 1 -name 'libzldbctrl70.so' | head -n1)"
[ -n "$lib" ] || { echo "no libzldbctrl70.so in $build" >&2; exit 1; }
mkdir -p "$root/abi"
bash "$root/scripts/abi-symbols.sh" "$lib" >"$root/abi/exports.txt"
echo "abi/exports.txt: $(wc -l <"$root/abi/exports.txt") symbols"
