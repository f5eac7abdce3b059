// The upgrade of a version-0 model library to version 22, against two
// baselines measured on the same file in the same run.
//
//   bench_upgrade [N ...]      N defaults to 1000 and 10000
//
// The library: the fixture of the upgrade tests (five records, nodes,
// files, a keyword, three macros, two old packages) and N more models with
// two nodes and a macro each, written in the layout of version 0.  The
// programs:
//   - upgrade: ZLConvertDatabase on a copy (open to close, every step,
//     the compaction and reopening included);
//   - write:   writing that version-0 file through the engine (one
//     transaction);
//   - compact: the engine's compaction of the version-0 file alone.
// Each line gives microseconds per model and the ratios; the last block
// compares the per-model times across N (1.00 = linear).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_main.h"
#include "engine/dao_workspace.h"
#include "maintenance/old_layouts.h"
#include "schema/layout.h"
#include "zldbctrl70.h"

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

struct CResult {
  long n;
  double upgrade, write, compact;
};

CResult Measure(const std::filesystem::path& dir, long n) {
  const std::string original = (dir / ("v0-" + std::to_string(n) + ".zdb")).string();
  const std::string copy = (dir / ("up-" + std::to_string(n) + ".zdb")).string();
  const std::string compacted = (dir / ("c-" + std::to_string(n) + ".zdb")).string();
  CResult result{n, 0, 0, 0};
  Clock::time_point start = Clock::now();
  zltest::WriteOldDatabase(original, 0, static_cast<int>(n));
  result.write = SecondsSince(start);
  start = Clock::now();
  CDaoWorkspace::CompactDatabase(original.c_str(), compacted.c_str(), zl::kCreateConnect, 0);
  result.compact = SecondsSince(start);
  std::filesystem::copy_file(original, copy);
  start = Clock::now();
  void* hDB = ZLConvertDatabase(ZLOpenDatabase(copy.c_str(), eOpenReadWrite));
  if (hDB == nullptr) {
    std::fprintf(stderr, "bench_upgrade: upgrade failed (last error %d)\n", ZLGetLastError());
    std::exit(1);
  }
  ZLCloseDatabase(hDB);
  result.upgrade = SecondsSince(start);
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<long> sizes;
  if (!zlbench::ParseSizes(argc, argv, {1000, 10000}, sizes)) return 2;
  zlbench::ScratchDir dir;
  if (!dir.Made()) return 1;
  std::vector<CResult> results;
  std::printf("%8s %12s %12s %12s %10s %10s\n", "N", "upgrade us", "write us", "compact us",
              "/write", "/compact");
  for (long n : sizes) {
    const CResult r = Measure(dir.Path(), n);
    results.push_back(r);
    const double perModel = 1e6 / static_cast<double>(n);
    std::printf("%8ld %12.1f %12.1f %12.1f %10.2f %10.2f\n", n, r.upgrade * perModel,
                r.write * perModel, r.compact * perModel, r.upgrade / r.write,
                r.upgrade / r.compact);
  }
  std::printf("\nper-model upgrade time relative to N = %ld (1.00 = linear)\n", results[0].n);
  for (const CResult& r : results) {
    std::printf("%8ld %10.2f\n", r.n,
                (r.upgrade / r.n) / (results[0].upgrade / static_cast<double>(results[0].n)));
  }
  return 0;
}
