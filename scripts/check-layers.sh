#!/usr/bin/env bash
# Fails when a source file includes a header of a layer above its own.
#   bash scripts/check-layers.sh ROOT LAYER...   (lowest layer first)
# The last layer is made of the subsystem folders: every folder of src/ not
# named as a lower layer; subsystems may include each other.  Public headers
# count as layers too: include/zldbctrl70/platform/ and export.h belong to
# the lowest layer, the rest of the public interface (the exports and the
# values they exchange) to the third (the first that knows about models).
# Only quoted includes are looked at; system headers are not layers.
set -euo pipefail
[ $# -ge 3 ] || { echo "usage: $0 ROOT LAYER..." >&2; exit 2; }
root="$1"
shift
layers=("$@")
top=$(($# - 1))
interface_rank=$((top > 1 ? 2 : top))

declare -A rank
for i in "${!layers[@]}"; do rank[${layers[$i]}]=$i; done

# The rank of a folder of src/: its layer, or the top layer for a subsystem.
folder_rank() {
  if [ -n "${rank[$1]+x}" ]; then echo "${rank[$1]}"; else echo "$top"; fi
}

# The rank of an included header, or nothing when it is not one of ours.
header_rank() {
  local header="$1" first="${1%%/*}"
  case "$header" in
    zldbctrl70/platform/* | zldbctrl70/export.h) echo 0 ;;
    zldbctrl70.h | zldbctrl70/*) echo "$interface_rank" ;;
    */*) if [ -d "$root/src/$first" ]; then folder_rank "$first"; fi ;;
  esac
}

name_of() { if [ "$1" -ge "$top" ]; then echo "the subsystems"; else echo "${layers[$1]}"; fi; }

failures=0
check_file() {
  local file="$1" own="$2" line header theirs
  while IFS= read -r line; do
    header="${line#*:}"
    header="${header#*\"}"
    header="${header%%\"*}"
    theirs="$(header_rank "$header")"
    [ -n "$theirs" ] || continue
    if [ "$theirs" -gt "$own" ]; then
      echo "${file#"$root"/}:${line%%:*}: $(name_of "$own") includes $header ($(name_of "$theirs"))"
      failures=$((failures + 1))
    fi
  done < <(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" || true)
}

shopt -s nullglob
for dir in "$root"/src/*/; do
  folder="$(basename "$dir")"
  own="$(folder_rank "$folder")"
  for file in "$dir"*.h "$dir"*.cpp; do check_file "$file" "$own"; done
done
for file in "$root"/include/zldbctrl70/platform/*.h "$root"/include/zldbctrl70/export.h; do
  check_file "$file" 0
done
for file in "$root"/include/zldbctrl70/*.h "$root"/include/zldbctrl70.h; do
  check_file "$file" "$interface_rank"
done

if [ "$failures" -gt 0 ]; then
  echo "$failures include(s) reach a higher layer (order: ${layers[*]})"
  exit 1
fi
echo "layer order holds: ${layers[*]}"
