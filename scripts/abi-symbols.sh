#!/usr/bin/env bash
# Prints the symbols a built libzldbctrl70.so defines and exports, in the
# form abi/exports.txt keeps them: one name per line exactly as
# `nm -D -C --defined-only` prints it, without address and type letter,
# sorted bytewise (LC_ALL=C) without repeats (a constructor's two entry
# points print the same name).
#
# Left out is what the toolchain adds rather than what the library defines:
# - names in std:: and __gnu_cxx:: (instantiations of the standard library),
# - reserved names beginning with an underscore (linker and sanitizer
#   symbols),
# - weak template instantiations (vtables, typeinfo, members of class
#   templates such as CMap<...>): every caller that uses the template emits
#   its own copy, and whether the library emits one depends on inlining, so
#   a Debug and a Release build would differ.
#   bash scripts/abi-symbols.sh path/to/libzldbctrl70.so
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 LIBRARY" >&2; exit 2; }
lib="$1"
# The two listings come from the same symbol table in the same order, so
# line N of each names the same symbol.
paste -d '\t' <(nm -D --defined-only "$lib") <(nm -D -C --defined-only "$lib") |
  awk -F '\t' '
    {
      split($1, raw, " ")
      type = raw[2]; mangled = raw[3]
      name = $2; sub(/^[0-9a-fA-F]+ +[A-Za-z] /, "", name)
      if (mangled ~ /^_[^Z]/) next
      if (mangled ~ /^_Z+[A-Z]*(S[tabsiod]|9__gnu_cxx)/) next
      if (type ~ /^[VWuvw]$/ && index(name, "<") > 0) next
      print name
    }' |
  LC_ALL=C sort -u
