#!/usr/bin/env bash
# Fails when a built libzldbctrl70.so exports anything more or less than the
# list under version control (abi/exports.txt), naming each difference.
#   bash scripts/check-abi.sh path/to/libzldbctrl70.so [abi/exports.txt]
# After a deliberate change of the exported surface, regenerate the list with
# scripts/update-abi.sh and commit it with the change.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
[ $# -ge 1 ] || { echo "usage: $0 LIBRARY [LIST]" >&2; exit 2; }
lib="$1"
list="${2:-$here/../abi/exports.txt}"
[ -f "$lib" ] || { echo "no library at $lib" >&2; exit 1; }
[ -f "$list" ] || { echo "no export list at $list" >&2; exit 1; }
actual="$(bash "$here/abi-symbols.sh" "$lib")"
expected="$(LC_ALL=C sort -u "$list")"
extra="$(LC_ALL=C comm -23 <(printf '%s\n' "$actual") <(printf '%s\n' "$expected"))"
missing="$(LC_ALL=C comm -13 <(printf '%s\n' "$actual") <(printf '%s\n' "$expected"))"
status=0
if [ -n "$extra" ]; then
  echo "exported but not in $list:"
  printf '%s\n' "$extra" | sed 's/^/  + /'
  status=1
fi
if [ -n "$missing" ]; then
  echo "in $list but not exported:"
  printf '%s\n' "$missing" | sed 's/^/  - /'
  status=1
fi
if ! LC_ALL=C sort -c "$list" 2>/dev/null; then
  echo "$list is not sorted with LC_ALL=C sort"
  status=1
fi
[ $status -ne 0 ] || echo "exports match $list ($(printf '%s\n' "$actual" | wc -l) symbols)"
exit $status
