// zldb export and zldb import of growing libraries with full content
// (zldb demo --models N: every model with macros, calls, pins, parameters,
// keywords, symbols and a file; the operational amplifiers also with
// parameter sets, tolerances, stresses and additional data), against zldb
// check reading the same library in the same run.
//
//   bench_export_import [N ...]      N defaults to 1000 and 10000
//
// Each command runs as a child process; its wall time and peak resident
// memory are read when it ends.  Lines give microseconds per model, the
// ratio to the check and the peak memory; the last block compares the
// per-model times and the peak memory across N (1.00 = flat).  The round
// trip (export, import, export) must give the same document.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench_main.h"

namespace {

struct Run {
  double seconds = 0;
  double peakMB = 0;
};

// Runs the tool with args, output discarded; exits on a failure.
Run RunTool(const std::vector<std::string>& args) {
  std::fflush(stdout);  // the child must not print the parent's buffered lines again
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = ::fork();
  if (child == 0) {
    std::freopen("/dev/null", "w", stdout);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(ZLDB_TOOL_PATH));
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    ::execv(ZLDB_TOOL_PATH, argv.data());
    ::_exit(127);
  }
  int status = 0;
  rusage usage{};
  ::wait4(child, &status, 0, &usage);
  Run run;
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.peakMB = static_cast<double>(usage.ru_maxrss) / 1024.0;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "bench_export_import: zldb %s failed\n", args[0].c_str());
    std::exit(1);
  }
  return run;
}

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<long> sizes;
  if (!zlbench::ParseSizes(argc, argv, {1000, 10000}, sizes)) return 2;
  zlbench::ScratchDir dir;
  if (!dir.Made()) return 1;
  struct Result {
    long n;
    Run check, exported, imported;
  };
  std::vector<Result> results;
  std::printf("%8s %12s %12s %12s %10s %10s %10s %10s\n", "models", "check us/m", "export us/m",
              "import us/m", "exp/check", "imp/check", "export MB", "import MB");
  for (long n : sizes) {
    const std::string lib = (dir.Path() / ("lib" + std::to_string(n) + ".zdb")).string();
    const std::string json = lib + ".json", copy = lib + ".copy.zdb", again = lib + ".again.json";
    RunTool({"demo", lib, "--models", std::to_string(n)});
    Result r{n, RunTool({"check", lib}), RunTool({"export", lib, json}),
             RunTool({"import", json, copy})};
    RunTool({"export", copy, again});
    if (Read(json) != Read(again)) {
      std::fprintf(stderr, "bench_export_import: the round trip of %ld models differs\n", n);
      return 1;
    }
    const double per = 1e6 / static_cast<double>(n);
    std::printf("%8ld %12.1f %12.1f %12.1f %10.2f %10.2f %10.1f %10.1f\n", n, r.check.seconds * per,
                r.exported.seconds * per, r.imported.seconds * per,
                r.exported.seconds / r.check.seconds, r.imported.seconds / r.check.seconds,
                r.exported.peakMB, r.imported.peakMB);
    results.push_back(r);
  }
  if (results.size() < 2) return 0;
  const Result& a = results.front();
  const Result& b = results.back();
  const double scale = static_cast<double>(a.n) / static_cast<double>(b.n);
  std::printf("\nfrom %ld to %ld models (1.00 = flat):\n", a.n, b.n);
  std::printf("  time per model:  export %.2f  import %.2f  check %.2f\n",
              b.exported.seconds * scale / a.exported.seconds,
              b.imported.seconds * scale / a.imported.seconds,
              b.check.seconds * scale / a.check.seconds);
  std::printf("  peak memory:     export %.2f  import %.2f\n",
              b.exported.peakMB / a.exported.peakMB, b.imported.peakMB / a.imported.peakMB);
  return 0;
}
