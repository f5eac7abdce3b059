#!/usr/bin/env bash
# The long runs of the reliability harness (tests/reliability, tests/fuzz):
# many more kills, concurrent writes and fuzz inputs than CI gives them, then
# a summary table.  Sizes come from the environment:
#   ZL_CRASH_KILLS (1000)  ZL_CRASH_MAX_MS (150)  ZL_CRASH_SEED (time)
#   ZL_CONCURRENT_WRITERS (4)  ZL_CONCURRENT_WRITES (1000 per writer)
#   ZL_FUZZ_INPUTS (10000000 in all, shared out over the targets of one
#     component; the targets that open whole libraries, open_file and
#     bookmarks, run a few dozen inputs a second and get a time instead:)
#   ZL_FUZZ_LIBRARY_SECONDS (600 each)
#   bash scripts/soak.sh
set -euo pipefail
cd "$(dirname "$0")/.."
export ZL_CRASH_KILLS="${ZL_CRASH_KILLS:-1000}"
export ZL_CRASH_MAX_MS="${ZL_CRASH_MAX_MS:-150}"
export ZL_CRASH_SEED="${ZL_CRASH_SEED:-$(date +%s)}"
export ZL_CONCURRENT_WRITERS="${ZL_CONCURRENT_WRITERS:-4}"
export ZL_CONCURRENT_WRITES="${ZL_CONCURRENT_WRITES:-1000}"
fuzz_inputs="${ZL_FUZZ_INPUTS:-10000000}"
mkdir -p build-soak
log=build-soak/soak.log
: >"$log"

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)" --target test_reliability >/dev/null
echo "crash seed $ZL_CRASH_SEED" | tee -a "$log"
status=0
./build/tests/test_reliability >>"$log" 2>&1 || status=1

library_targets=" open_file bookmarks "
targets=()
for source in tests/fuzz/*_fuzz.cpp; do
  target="$(basename "$source" _fuzz.cpp)"
  [[ "$library_targets" == *" $target "* ]] || targets+=("$target")
done
per_target=$((fuzz_inputs / ${#targets[@]}))
fuzz_runs=0
fuzz_crashes=0
for target in "${targets[@]}" $library_targets; do
  flog="build-soak/fuzz-$target.log"
  budget=(-runs="$per_target")
  if [[ "$library_targets" == *" $target "* ]]; then
    budget=(-max_total_time="${ZL_FUZZ_LIBRARY_SECONDS:-600}")
  fi
  if bash tests/fuzz/run.sh "$target" "${budget[@]}" -print_final_stats=1 >"$flog" 2>&1; then
    :
  else
    fuzz_crashes=$((fuzz_crashes + 1))
    status=1
  fi
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$flog" | grep -o '[0-9]*$' | tail -n 1)
  fuzz_runs=$((fuzz_runs + ${runs:-0}))
  echo "ZL-SUMMARY fuzz target=$target inputs=${runs:-0}" >>"$log"
done

field() {  # field LINE-KIND NAME: the value of NAME= on the summary line
  grep "^ZL-SUMMARY $1 " "$log" | head -n 1 | grep -o "$2=[^ ]*" | cut -d= -f2- || true
}
echo
printf '%-44s %s\n' "measure" "value"
printf '%-44s %s\n' "kills survived / kills" "$(field crash survived) / $(field crash kills)"
printf '%-44s %s\n' "acknowledged operations (crash test)" "$(field crash acknowledged)"
printf '%-44s %s\n' "acknowledged operations lost" \
  "$([ "$(field crash survived)" = "$(field crash kills)" ] && echo 0 || echo 'see log')"
printf '%-44s %s\n' "interrupted operations found complete" "$(field crash interrupted_landed)"
printf '%-44s %s\n' "faults injected (writers swept)" "$(field faults injected) ($(field faults writers))"
printf '%-44s %s\n' "fuzz inputs / targets that failed" "$fuzz_runs / $fuzz_crashes"
printf '%-44s %s\n' "concurrent writes / lost updates" \
  "$(field concurrency writes) / $(field concurrency lost)"
printf '%-44s %s\n' "lock retries (code 12)" "$(field concurrency lock_retries)"
printf '%-44s %s\n' "writes by threads / lost updates" "$(field threads writes) / $(field threads lost)"
printf '%-44s %s\n' "test result" "$([ $status = 0 ] && echo passed || echo "FAILED (see $log)")"
exit $status
