// Every writer of the operation mix, failed at each of its storage writes,
// its commit and each of its engine allocations in turn: it returns 0 with
// the code of that failure (9 for the storage, 6 for memory) and leaves the
// library exactly as it was; it finally gets through once no fault is left
// in its way.  Leaks on the failure paths show under the sanitizer build.
// On a server the faults hit the engine's statements and commits there.
#include <gtest/gtest.h>

#include <cstdio>

#include "engine/faults.h"
#include "platform/scratch_dir.h"
#include "reliability/library_check.h"
#include "reliability/operations.h"
#include "support/test_backend.h"
#include "zldbctrl70.h"

namespace {

using zl::engine::CFaultInjector;
using zl::engine::CFaultScope;
using zl::engine::FaultKind;

// Storage failures give the writer's storage code, memory failures 6.
struct CFaultCase {
  FaultKind kind;
  const char* name;
  int code;
};
const CFaultCase kFaults[] = {{FaultKind::kWrite, "write", 0},
                              {FaultKind::kCommit, "commit", 0},
                              {FaultKind::kAllocation, "allocation", ZLE_OUT_OF_MEMORY}};

class FaultSweepTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_path = testbackend::MainLibrary(m_dir, "sweep.zdb");
    ASSERT_TRUE(zlrel::CreateStartFile(m_path));
    m_hDB = ZLOpenDatabase(m_path.c_str(), eOpenReadWriteNoLogin);
    ASSERT_NE(m_hDB, nullptr);
  }
  void TearDown() override {
    if (m_hDB != nullptr) {
      EXPECT_EQ(ZLCloseDatabase(m_hDB), 1);
    }
  }

  // Runs the writer with the generator of step `step`.
  int Write(const zlrel::CWriter& writer, long step) {
    zlrel::CMixState state;
    state.hDB = m_hDB;
    state.rng.seed(static_cast<uint32_t>(step));
    state.records = m_records;
    state.step = step;
    const int result = writer.write(state);
    m_lastCode = result == 1 ? 0 : state.failure != 0 ? state.failure : ZLGetLastError();
    m_storageCode = state.storageCode != 0 ? state.storageCode : writer.storageCode;
    if (result == 1) m_records = state.records;
    return result;
  }

  // A step at which the writer, run now without faults, succeeds (tried
  // inside a caller transaction that is rolled back, so nothing stays).
  long StepThatWrites(const zlrel::CWriter& writer) {
    for (long step = m_nextStep; step < m_nextStep + 300; ++step) {
      const long records = m_records;
      EXPECT_EQ(ZLBeginTransaction(m_hDB), 1);
      const int result = Write(writer, step);
      EXPECT_EQ(ZLRollbackTransaction(m_hDB), 1);
      m_records = records;
      if (result == 1) {
        m_nextStep = step + 1;
        return step;
      }
    }
    return -1;
  }

  CScratchDir m_dir;
  std::string m_path;
  void* m_hDB = nullptr;
  long m_records = zlrel::kStartRecords;
  long m_nextStep = 1;
  int m_lastCode = 0;
  int m_storageCode = 0;  // the code the last write's storage failure gives
};

TEST_F(FaultSweepTest, EveryWriterFailsCleanlyAtEveryFaultPoint) {
  long injected[3] = {0, 0, 0}, silent = 0;
  testbackend::CImageWatch images(m_path);
  // Kinds outside, so that each kind meets the adds before their removes.
  for (const CFaultCase& fault : kFaults) {
    for (const zlrel::CWriter& writer : zlrel::Writers()) {
      SCOPED_TRACE(std::string(writer.family) + "/" + writer.name + " " + fault.name);
      const long step = StepThatWrites(writer);
      ASSERT_GE(step, 0) << "the writer never succeeds on this file";
      int n = 1;
      long writes = 0;
      // Each failure must leave this, so the next starts from it too (on a
      // server the library is read again only when something committed).
      const std::string before = images.Take();
      for (;; ++n) {
        ASSERT_LT(n, 2000) << "the writer never got past its faults";
        int result = 0;
        {
          CFaultScope faults;
          CFaultInjector::FailNth(fault.kind, n);
          result = Write(writer, step);
          writes = CFaultInjector::Count(FaultKind::kWrite);
        }
        if (result == 1) break;
        ++injected[static_cast<int>(fault.kind)];
        const int code = fault.kind == FaultKind::kAllocation ? fault.code : m_storageCode;
        EXPECT_EQ(m_lastCode, code) << "fault " << n;
        EXPECT_EQ(images.Again(), before) << "fault " << n;
        EXPECT_EQ(ZLRollbackTransaction(m_hDB), 0) << "a caller transaction was left open";
        if (HasFailure()) return;
      }
      // Every writer writes (on a file its write lock is a write; on a
      // server a writer whose step changes nothing sends no write); a
      // rolled-back group commits nothing and allocations may all be cached.
      if (fault.kind == FaultKind::kWrite && !(testbackend::OnServer() && writes == 0)) {
        EXPECT_GT(n, 1) << "no fault point was met";
      }
      silent += fault.kind == FaultKind::kWrite && n == 1 ? 1 : 0;
    }
  }
  ASSERT_EQ(ZLCloseDatabase(m_hDB), 1);
  m_hDB = nullptr;
  const std::vector<std::string> problems = zlrel::CheckLibrary(m_path);
  EXPECT_TRUE(problems.empty()) << problems.front();
  // The sweep met faults of every kind.
  for (long count : injected) EXPECT_GT(count, 10);
  std::printf("ZL-SUMMARY faults writers=%zu injected=%ld/%ld/%ld silent=%ld\n",
              zlrel::Writers().size(), injected[0], injected[1], injected[2], silent);
}

}  // namespace
