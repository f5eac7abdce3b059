// Repair and check of model libraries of growing size, against plain
// SQLite compacting the same file (VACUUM INTO, the least a compacting
// repair must do) in the same run.
//
//   bench_repair [N ...]      N defaults to 1000 and 10000
//
// The library: N models in folders of 100, every tenth model cut out of its
// sibling chain (its neighbours pass it by), so the repair re-attaches N/10
// records and relinks their neighbours.  Each repair runs on a fresh copy.
// Lines give microseconds per model and the ratio to VACUUM INTO; the last
// block compares the per-model times across N (1.00 = flat, linear growth).
// The check runs in a child process whose peak resident memory is compared
// with a child that only opens and closes the file.
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_main.h"
#include "zldbctrl70.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr long kFolderSize = 100;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "bench_repair: %s failed (last error %d)\n", what, ZLGetLastError());
  std::exit(1);
}

void Check(int result, const char* what) {
  if (result == 0) Fail(what);
}

long NewRecord(void* hDB, unsigned long type) {
  COleVariant bookmark;
  long id = 0;
  Check(ZLCreateNewRecord(hDB, bookmark), "ZLCreateNewRecord");
  Check(ZLGetIDByBookmark(hDB, bookmark, id), "ZLGetIDByBookmark");
  Check(ZLSetTypeByID(hDB, id, type), "ZLSetTypeByID");
  return id;
}

// Folders of kFolderSize models along the top level; every tenth model is
// passed by its neighbours.
void Build(const std::string& path, long n) {
  void* hDB = ZLCreateDatabase(path.c_str());
  if (hDB == nullptr) Fail("ZLCreateDatabase");
  long previousFolder = 0;
  for (long done = 0; done < n; done += kFolderSize) {
    Check(ZLBeginTransaction(hDB), "ZLBeginTransaction");
    const long folder = NewRecord(hDB, 1);
    if (previousFolder != 0) {
      Check(ZLSetNextByID(hDB, previousFolder, folder), "ZLSetNextByID");
      Check(ZLSetPrevByID(hDB, folder, previousFolder), "ZLSetPrevByID");
    }
    std::vector<long> models;
    for (long i = 0; i < kFolderSize && done + i < n; ++i) models.push_back(NewRecord(hDB, 0));
    for (size_t i = 0; i < models.size(); ++i) {
      Check(ZLSetParentByID(hDB, models[i], folder), "ZLSetParentByID");
      Check(ZLSetPrevByID(hDB, models[i], i > 0 ? models[i - 1] : 0), "ZLSetPrevByID");
      // Every tenth model is skipped by its predecessor's NEXT.
      const size_t next = i + 1 < models.size() && (i + 1) % 10 == 5 ? i + 2 : i + 1;
      Check(ZLSetNextByID(hDB, models[i], next < models.size() ? models[next] : 0),
            "ZLSetNextByID");
    }
    Check(ZLSetFirstChildByID(hDB, folder, models.front()), "ZLSetFirstChildByID");
    Check(ZLCommitTransaction(hDB), "ZLCommitTransaction");
    previousFolder = folder;
  }
  Check(ZLCloseDatabase(hDB), "ZLCloseDatabase");
}

double VacuumInto(const std::string& path, const std::string& target) {
  std::filesystem::remove(target);
  const Clock::time_point start = Clock::now();
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    Fail("sqlite3_open_v2");
  }
  const std::string sql = "VACUUM INTO '" + target + "'";
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) Fail("VACUUM INTO");
  sqlite3_close(db);
  return SecondsSince(start);
}

class CCountingReport : public CZLCheckReport {
 public:
  void Fault(const char*, long, const char*) override { ++m_faults; }
  long m_faults = 0;
};

// Peak resident kilobytes of a child that runs body.
long ChildPeakKilobytes(void (*body)(const std::string&), const std::string& path) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    body(path);
    std::_Exit(0);
  }
  int status = 0;
  struct rusage usage {};
  if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status)) Fail("child");
  return usage.ru_maxrss;
}

void OpenOnly(const std::string& path) {
  void* hDB = ZLOpenDatabase(path.c_str(), eOpenReadOnly);
  if (hDB != nullptr) ZLCloseDatabase(hDB);
}

void CheckOnly(const std::string& path) {
  CCountingReport report;
  ZLCheckDatabase(path.c_str(), report);
}

struct Figures {
  long n = 0;
  double repair = 0, check = 0, vacuum = 0;  // seconds per model
};

Figures Measure(const std::filesystem::path& dir, long n) {
  Figures f;
  f.n = n;
  const std::string original = (dir / ("repair" + std::to_string(n))).string();
  const std::string work = original + ".work";
  const std::string vacuumed = original + ".vacuum";
  Build(original, n);
  double repair = 1e9, vacuum = 1e9, check = 1e9;
  ZLRepairSummary summary{};
  for (int round = 0; round < 3; ++round) {
    std::filesystem::copy_file(original, work, std::filesystem::copy_options::overwrite_existing);
    const Clock::time_point start = Clock::now();
    Check(ZLRepairDatabase(work.c_str(), summary), "ZLRepairDatabase");
    repair = std::min(repair, SecondsSince(start));
    vacuum = std::min(vacuum, VacuumInto(original, vacuumed));
  }
  CCountingReport report;
  for (int round = 0; round < 3; ++round) {
    report.m_faults = 0;
    const Clock::time_point start = Clock::now();
    Check(ZLCheckDatabase(original.c_str(), report), "ZLCheckDatabase");
    check = std::min(check, SecondsSince(start));
  }
  const long records = summary.m_lRecords;
  if (summary.m_lReattached != n / 10 || report.m_faults == 0) {
    std::fprintf(stderr, "bench_repair: %ld re-attached, %ld faults found\n", summary.m_lReattached,
                 report.m_faults);
    std::exit(1);
  }
  const long openKb = ChildPeakKilobytes(OpenOnly, original);
  const long checkKb = ChildPeakKilobytes(CheckOnly, original);
  f.repair = repair / static_cast<double>(n);
  f.check = check / static_cast<double>(n);
  f.vacuum = vacuum / static_cast<double>(n);
  std::printf("N = %ld models (%ld records, %ld re-attached, %ld relinked), µs per model\n", n,
              records, summary.m_lReattached, summary.m_lLinksRewritten);
  std::printf(
      "  repair %9.2f   check %9.2f   VACUUM INTO %9.2f   repair/vacuum %6.2f  "
      "check/vacuum %6.2f\n",
      f.repair * 1e6, f.check * 1e6, f.vacuum * 1e6, f.repair / f.vacuum, f.check / f.vacuum);
  std::printf(
      "  check peak memory: %ld kB above an open and close (%ld kB vs %ld kB), %ld "
      "faults\n",
      checkKb - openKb, checkKb, openKb, report.m_faults);
  std::fflush(stdout);
  return f;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<long> sizes;
  if (!zlbench::ParseSizes(argc, argv, {1000, 10000}, sizes)) return 2;
  const zlbench::ScratchDir scratch;
  if (!scratch.Made()) return 1;
  std::vector<Figures> figures;
  for (long n : sizes) figures.push_back(Measure(scratch.Path(), n));
  if (figures.size() >= 2) {
    const Figures& a = figures.front();
    std::printf("growth from N = %ld (time per model, 1.00 = flat)\n", a.n);
    for (const Figures& b : figures) {
      std::printf("  N = %-8ld repair %6.2f  check %6.2f  vacuum %6.2f\n", b.n, b.repair / a.repair,
                  b.check / a.check, b.vacuum / a.vacuum);
    }
  }
  return 0;
}
