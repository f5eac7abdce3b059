// An upgrade step is atomic with the version it records: a failed write or
// commit anywhere in a step that migrates data, or a kill of the process
// in the middle of an upgrade, leaves the database at a version reached
// before, and upgrading again completes it.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "engine/faults.h"
#include "frame/handle_record.h"
#include "maintenance/old_layouts.h"
#include "maintenance/upgrade_chain.h"
#include "platform/scratch_dir.h"
#include "support/child_process.h"
#include "support/file_contents.h"
#include "zldbctrl70.h"

namespace {

using zl::engine::CFaultInjector;
using zl::engine::FaultKind;

const zl::ZLUpgradeStep& StepTo(int version) {
  for (const auto* steps :
       {&zl::UpgradeStepsBeforeCompaction(), &zl::UpgradeStepsAfterCompaction()})
    for (const zl::ZLUpgradeStep& step : *steps)
      if (step.version == version) return step;
  throw std::logic_error("no such step");
}

// Runs the step on a handle of the file with the nth operation of kind
// failing (0: none); true when the step went through.  writes receives the
// writes the step made.
bool RunStepFailing(const std::string& path, int from, int to, FaultKind kind, int n,
                    long* writes = nullptr) {
  void* hDB = ZLOpenDatabase(path.c_str(), eOpenReadWrite);
  EXPECT_NE(hDB, nullptr);
  bool done = true;
  {
    zl::CHandleLock lock(hDB);
    zl::CUpgradeContext context{lock.Record(), from};
    zl::engine::CFaultScope faults;
    CFaultInjector::FailNth(kind, n);
    try {
      zl::RunUpgradeStep(context, StepTo(to));
    } catch (...) {
      done = false;
    }
    if (writes != nullptr) *writes = CFaultInjector::Count(FaultKind::kWrite);
  }
  ZLCloseDatabase(hDB);
  return done;
}

long Writes(const std::string& path, int from, int to) {
  long writes = 0;
  EXPECT_TRUE(RunStepFailing(path, from, to, FaultKind::kWrite, 0, &writes));
  return writes;
}

ZLDBVersion VersionOf(const std::string& path) {
  void* hDB = ZLOpenDatabase(path.c_str(), eOpenReadOnly);
  ZLDBVersion version = ZLDBVersion0;
  ZLDBStructVersion structure;
  if (hDB != nullptr) ZLGetDatabaseVersion(hDB, version, structure);
  ZLCloseDatabase(hDB);
  return version;
}

void UpgradeToCurrent(const std::string& path) {
  void* hDB = ZLConvertDatabase(ZLOpenDatabase(path.c_str(), eOpenReadWrite));
  ASSERT_NE(hDB, nullptr) << ZLGetLastError();
  ZLCloseDatabase(hDB);
  EXPECT_EQ(VersionOf(path), 22);
}

// The macro rewrite (2 -> 3) and the tolerance seeding (15 -> 16).
struct CStepCase {
  int from;
  int to;
};

class UpgradeStepFaultTest : public ::testing::TestWithParam<CStepCase> {
 protected:
  CScratchDir m_dir;
};

TEST_P(UpgradeStepFaultTest, EveryFailedWriteOrCommitLeavesTheFileAsItWas) {
  const CStepCase c = GetParam();
  const std::string fixture = m_dir.File("fixture.zdb");
  const std::string path = m_dir.File("db.zdb");
  zltest::WriteOldDatabase(fixture, c.from);
  const std::string before = zltest::FileContents(fixture);
  std::filesystem::copy_file(fixture, path);
  const long writes = Writes(path, c.from, c.to);
  ASSERT_GT(writes, 3);
  struct CSweep {
    FaultKind kind;
    long count;
  };
  for (const CSweep sweep : {CSweep{FaultKind::kWrite, writes}, CSweep{FaultKind::kCommit, 1}}) {
    for (int n = 1; n <= sweep.count; ++n) {
      std::filesystem::copy_file(fixture, path, std::filesystem::copy_options::overwrite_existing);
      std::filesystem::remove(path + "-wal");
      EXPECT_FALSE(RunStepFailing(path, c.from, c.to, sweep.kind, n));
      ASSERT_EQ(zltest::FileContents(path), before)
          << "kind " << static_cast<int>(sweep.kind) << " n " << n;
    }
  }
  UpgradeToCurrent(path);
}

INSTANTIATE_TEST_SUITE_P(DataSteps, UpgradeStepFaultTest,
                         ::testing::Values(CStepCase{2, 3}, CStepCase{15, 16}));

ZL_CHILD_ACTION(Upgrade) {
  void* hDB = ZLOpenDatabase(args.at(0).c_str(), eOpenReadWrite);
  if (hDB == nullptr) return 1;
  zltest::ChildSignalReady();
  return ZLConvertDatabase(hDB) != nullptr ? 0 : 2;
}

// Kills at growing delays; each leaves one of the chain's versions, and a
// second upgrade reaches the layout a complete one gives.
TEST(UpgradeKillTest, KilledUpgradeLeavesAVersionAndCompletesWhenRunAgain) {
  CScratchDir dir;
  const std::string fixture = dir.File("fixture.zdb");
  const std::string complete = dir.File("complete.zdb");
  zltest::WriteOldDatabase(fixture, 0, 150);
  std::filesystem::copy_file(fixture, complete);
  UpgradeToCurrent(complete);
  const std::string expected = zltest::DescribeLayout(complete);
  int midway = 0;
  int run = 0;
  for (int delayMs : {5, 20, 50, 100, 200, 400, 800}) {
    const std::string path = dir.File("killed-" + std::to_string(run++) + ".zdb");
    std::filesystem::copy_file(fixture, path);
    {
      zltest::CChildProcess child("Upgrade", {path});
      ASSERT_EQ(child.ReadLine(), "ready");
      std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
      child.Kill();
    }
    const int version = VersionOf(path);
    if (version > 0 && version < 22) ++midway;
    UpgradeToCurrent(path);
    EXPECT_EQ(zltest::DescribeLayout(path), expected) << "killed after " << delayMs << " ms";
    EXPECT_EQ(zltest::ColumnValues(path, "TOLERANCE", "NODE_ID").size(),
              zltest::ColumnValues(complete, "TOLERANCE", "NODE_ID").size());
  }
  EXPECT_GT(midway, 0);
}

}  // namespace
