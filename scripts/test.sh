#!/usr/bin/env bash
# Checks the formatting, builds and runs every test (once in a normal build,
# once under AddressSanitizer and UndefinedBehaviorSanitizer), then gives
# every fuzz target a short run.  CI runs this script (.ci/run).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
jobs=$(nproc)

# Every C++ source is clang-format clean (the aligned tables are fenced).
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t sources < <(git ls-files '*.cpp' '*.h')
else
  mapfile -t sources < <(find src include tests tools bench -name '*.cpp' -o -name '*.h')
fi
clang-format --dry-run -Werror "${sources[@]}"

# Optimised without debug information, which would cost a third of the
# compile time; the sanitizer build below keeps it for its reports.
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"
# Every engine and library suite again with its libraries on a throw-away
# PostgreSQL server (tests of what only a file has skip), the tool's tests
# with their main library there, and the reliability runs at small sizes:
# killed writers, every writer failed at each of its fault points, four
# client processes and four threads writing one server library.  Two
# lanes, each with a server of its own, share the time; a lane's output is
# shown when it fails.
server_lane() {
  local log=$1
  shift
  if ! ZL_TEST_BACKEND=postgres ZL_CONCURRENT_WRITES=25 bash scripts/pg-test-server.sh \
    bash -c 'set -e; for t in "$@"; do echo "== $t"; eval "$t"; done' lane "$@" >"$log" 2>&1; then
    tail -n 80 "$log"
    echo "server tests failed (log: $log)" >&2
    return 1
  fi
  grep -h '^==\|PASSED\|SKIPPED \]' "$log" | grep -v '^\[  SKIPPED \] [A-Z]' || true
}
lane_a=(./build/tests/test_records ./build/tests/test_maintenance ./build/tests/test_engine
  ./build/tests/tool/test_tool)
# The fault sweep first, while the server's catalogue statistics are fresh
# (after other suites' schema changes the engine's catalogue reads take
# several times as long, and the sweep makes thousands).
lane_b=('./build/tests/test_reliability --gtest_filter="FaultSweepTest.*"')
for program in build/tests/test_*; do
  case "$program" in
    *.cmake | */test_platform | */test_public_header | */test_reliability) ;;
    */test_records | */test_maintenance | */test_engine) ;;
    *) [ -x "$program" ] && lane_b+=("./$program") ;;
  esac
done
lane_b+=('ZL_CRASH_KILLS=8 ./build/tests/test_reliability --gtest_filter="ConcurrencyTest.*:CrashTest.*"')
server_lane build/server-lane-a.log "${lane_a[@]}" &
lane_a_pid=$!
lane_b_status=0
server_lane build/server-lane-b.log "${lane_b[@]}" || lane_b_status=1
wait "$lane_a_pid" || exit 1
[ "$lane_b_status" -eq 0 ] || exit 1

# The Debian package builds and holds the library with its SONAME links, the
# headers, the tool and both package descriptions.
(cd build && cpack -G DEB >/dev/null)
deb=$(ls build/zldbctrl70_*.deb)
contents=$(dpkg-deb -c "$deb" | awk '{ print $6 }')
for path in ./usr/lib/libzldbctrl70.so ./usr/lib/libzldbctrl70.so.7 ./usr/include/zldbctrl70.h \
  ./usr/bin/zldb ./usr/lib/pkgconfig/zldbctrl70.pc ./usr/lib/cmake/zldbctrl70/zldbctrl70Config.cmake; do
  grep -qxF "$path" <<<"$contents" || { echo "$deb lacks $path" >&2; exit 1; }
done
echo "built $deb"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DZL_SANITIZE=ON -DZL_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 ctest --test-dir build-asan --output-on-failure -j"$jobs"

# A short pass of every fuzz target: seconds each, enough to catch a target
# that no longer builds or fails on its corpus and first mutations.
mkdir -p build-fuzz
for source in tests/fuzz/*_fuzz.cpp; do
  target="$(basename "$source" _fuzz.cpp)"
  log="build-fuzz/fuzz-$target.log"
  echo "fuzzing $target"
  if ! bash tests/fuzz/run.sh "$target" -max_total_time=10 >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "fuzz target $target failed (log: $log)" >&2
    exit 1
  fi
  tail -n 1 "$log"
done
