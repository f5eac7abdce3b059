#!/bin/bash
# Instruction counts of the model-library workload, per phase and per
# program, from one run under callgrind (deterministic, unlike the timings
# on a loaded machine).  Prints instructions per operation and the
# library's ratios to the two plain-SQLite programs.
#
#   bench/callgrind_phases.sh BUILD_DIR [N]      N defaults to 200
set -euo pipefail
build=${1:?usage: $0 BUILD_DIR [N]}
n=${2:-200}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
valgrind --tool=callgrind --callgrind-out-file="$out/cg.%p" \
  "$build/bench/bench_model_library" "$n" >"$out/stdout" 2>"$out/stderr"
records=$((n + 21))
rewrites=$(((n + 9) / 10))
for f in "$out"/cg.*.*; do
  label=$(sed -n 's/^desc: Trigger: Client Request: //p' "$f")
  total=$(sed -n 's/^totals: \([0-9]*\).*/\1/p' "$f")
  [ -n "$label" ] && echo "$label $total"
done | awk -v records="$records" -v rewrites="$rewrites" -v n="$n" '
  { ir[$1] = $2 }
  function per(phase) {
    split(phase, p, "[.]")
    if (p[1] == "create" || p[1] == "walk") return records
    if (p[1] == "title") return 1000
    if (p[1] == "rewrite") return rewrites
    if (p[1] == "sim") return n
    return 1
  }
  END {
    printf "N = %d, instructions per operation (callgrind)\n", n
    printf "  %-10s %10s %10s %10s %10s %8s %8s %8s\n", "phase", "library", "lib+txn",
           "pattern", "hand", "lib/pat", "lib/hand", "txn/hand"
    split("create walk title rewrite", phases, " ")
    for (k = 1; k <= 4; ++k) {
      ph = phases[k]; d = per(ph ".x")
      lib = ir[ph ".library"] / d; pat = ir[ph ".pattern"] / d; hand = ir[ph ".hand"] / d
      txn = (ph ".transaction" in ir) ? ir[ph ".transaction"] / d : 0
      printf "  %-10s %10.0f %10.0f %10.0f %10.0f %8.2f %8.2f %8s\n", ph, lib, txn, pat, hand,
             lib / pat, lib / hand, (txn > 0 ? sprintf("%.2f", txn / hand) : "-")
    }
    if ("sim.libraryWrite" in ir) {
      printf "  %-10s %10.0f %10s %10s %10.0f %8s %8.2f\n", "sim write", ir["sim.libraryWrite"] / n,
             "", "", ir["sim.sqliteWrite"] / n, "", ir["sim.libraryWrite"] / ir["sim.sqliteWrite"]
      printf "  %-10s %10.0f %10s %10s %10.0f %8s %8.2f\n", "sim read", ir["sim.libraryRead"] / n,
             "", "", ir["sim.sqliteRead"] / n, "", ir["sim.libraryRead"] / ir["sim.sqliteRead"]
    }
  }'
