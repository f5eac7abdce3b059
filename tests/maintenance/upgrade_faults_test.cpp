// An upgrade step is atomic with the version it records: a failed write or
// commit anywhere in a step that migrates data, or a kill of the process
// in the middle of an upgrade, leaves a version reached before, and
// upgrading again completes it.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "engine/faults.h"
#include "maintenance/old_layouts.h"
#include "maintenance/upgrade_chain.h"
#include "platform/scratch_dir.h"
#include "support/child_process.h"
#include "support/file_contents.h"
#include "zldbctrl70.h"

namespace {

using zl::engine::CFaultInjector;
using zl::engine::FaultKind;

// Runs the step to version `to` on the file with the nth operation of kind
// failing (0: none); true when it went through.  writes receives the count
// of writes it made.
bool RunStep(const std::string& path, int from, int to, FaultKind kind, int n, long* writes) {
  void* hDB = ZLOpenDatabase(path.c_str(), eOpenReadWrite);
  bool done = true;
  {
    zl::CHandleLock lock(hDB);
    zl::engine::CFaultScope faults;
    CFaultInjector::FailNth(kind, n);
    try {
      for (const zl::ZLUpgradeStep& step : zl::UpgradeStepsBeforeCompaction())
        if (step.version == to) zl::RunUpgradeStep({lock.Record(), from}, step);
    } catch (...) {
      done = false;
    }
    *writes = CFaultInjector::Count(FaultKind::kWrite);
  }
  ZLCloseDatabase(hDB);
  return done;
}

void UpgradeToCurrent(const std::string& path) {
  void* hDB = ZLConvertDatabase(ZLOpenDatabase(path.c_str(), eOpenReadWrite));
  ASSERT_NE(hDB, nullptr) << ZLGetLastError();
  ZLCloseDatabase(hDB);
  EXPECT_EQ(zltest::VersionOf(path), 22);
}

// The macro rewrite (2 -> 3) and the tolerance seeding (15 -> 16).
class UpgradeStepFaultTest : public ::testing::TestWithParam<int> {};

TEST_P(UpgradeStepFaultTest, EveryFailedWriteOrCommitLeavesTheFileAsItWas) {
  const int from = GetParam();
  CScratchDir dir;
  const std::string fixture = dir.File("fixture.zdb"), path = dir.File("db.zdb");
  zltest::WriteOldDatabase(fixture, from);
  const std::string before = zltest::FileContents(fixture);
  std::filesystem::copy_file(fixture, path);
  long writes = 0, ignored = 0;
  ASSERT_TRUE(RunStep(path, from, from + 1, FaultKind::kWrite, 0, &writes));
  ASSERT_GT(writes, 5);  // the new field, the rewritten macros, the version
  for (const auto& [kind, count] :
       {std::pair{FaultKind::kWrite, writes}, {FaultKind::kCommit, 1L}}) {
    for (int n = 1; n <= count; ++n) {
      std::filesystem::copy_file(fixture, path, std::filesystem::copy_options::overwrite_existing);
      EXPECT_FALSE(RunStep(path, from, from + 1, kind, n, &ignored));
      ASSERT_EQ(zltest::FileContents(path), before) << "operation " << n;
    }
  }
  UpgradeToCurrent(path);
}

INSTANTIATE_TEST_SUITE_P(DataSteps, UpgradeStepFaultTest, ::testing::Values(2, 15));

ZL_CHILD_ACTION(Upgrade) {
  void* hDB = ZLOpenDatabase(args.at(0).c_str(), eOpenReadWrite);
  zltest::ChildSignalReady();
  return ZLConvertDatabase(hDB) != nullptr ? 0 : 2;
}

// Kills at growing delays: each leaves one of the chain's versions, and a
// second upgrade gives what a complete one gives.
TEST(UpgradeKillTest, KilledUpgradeLeavesAVersionAndCompletesWhenRunAgain) {
  CScratchDir dir;
  const std::string fixture = dir.File("fixture.zdb"), complete = dir.File("complete.zdb");
  zltest::WriteOldDatabase(fixture, 0, 150);
  std::filesystem::copy_file(fixture, complete);
  UpgradeToCurrent(complete);
  int midway = 0;
  for (int delayMs : {5, 20, 50, 100, 200, 400, 800}) {
    const std::string path = dir.File("killed-" + std::to_string(delayMs) + ".zdb");
    std::filesystem::copy_file(fixture, path);
    {
      zltest::CChildProcess child("Upgrade", {path});
      ASSERT_EQ(child.ReadLine(), "ready");
      std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
      child.Kill();
    }
    const int version = zltest::VersionOf(path);
    midway += version > 0 && version < 22 ? 1 : 0;
    UpgradeToCurrent(path);
    EXPECT_EQ(zltest::DescribeLayout(path), zltest::DescribeLayout(complete)) << delayMs << " ms";
    EXPECT_EQ(zltest::Column(path, "TOLERANCE", "NODE_ID"),
              zltest::Column(complete, "TOLERANCE", "NODE_ID"));
  }
  EXPECT_GT(midway, 0);
}

}  // namespace
