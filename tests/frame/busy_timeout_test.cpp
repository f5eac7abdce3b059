// The wait for another process's write lock: a short wait fails with 12, a
// long one lasts until the lock is released; refused values change nothing.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <thread>

#include "engine/dao_workspace.h"
#include "support/child_process.h"
#include "support/library_fixture.h"

namespace {

// Holds the file's write lock (an open caller transaction) until released.
ZL_CHILD_ACTION(HoldWriteLock) {
  void* hDB = ZLOpenDatabase(args.at(0).c_str(), eOpenReadWriteNoLogin);
  if (hDB == nullptr || ZLBeginTransaction(hDB) != 1) return 1;
  unsigned long state = 7;
  if (ZLSetDatabaseState(hDB, state) != 1) return 2;
  zltest::ChildSignalReady();
  zltest::ChildWaitForRelease();
  return ZLCommitTransaction(hDB) == 1 && ZLCloseDatabase(hDB) == 1 ? 0 : 3;
}

class BusyTimeoutTest : public LibraryTest {
 protected:
  void TearDown() override {
    CDaoWorkspace::SetBusyTimeout(5000);
    LibraryTest::TearDown();
  }
  int SetState(unsigned long value) { return ZLSetDatabaseState(m_hDB, value); }
};

TEST_F(BusyTimeoutTest, AShortWaitFailsWithTwelveAndALongOneOutlastsTheLock) {
  zltest::CChildProcess holder("HoldWriteLock", {m_path});
  ASSERT_EQ(holder.ReadLine(), "ready");

  ASSERT_EQ(ZLSetBusyTimeout(m_hDB, 50), 1);
  EXPECT_EQ(ZLGetLastError(), ZLE_OK);
  EXPECT_EQ(FailCode(SetState(1)), ZLE_LOCKED);
  ASSERT_EQ(ZLSetBusyTimeout(m_hDB, 0), 1);  // not waiting at all fails the same way
  EXPECT_EQ(FailCode(SetState(1)), ZLE_LOCKED);

  // With a wait far longer than the holder needs, the write waits for the
  // release and then succeeds; the holder's commit came first.
  ASSERT_EQ(ZLSetBusyTimeout(m_hDB, 120000), 1);
  int holderStatus = -1;
  std::thread release([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    holderStatus = holder.Finish();
  });
  const int written = SetState(2);
  release.join();
  EXPECT_EQ(holderStatus, 0);
  ASSERT_EQ(written, 1) << ZLGetLastError();
  unsigned long state = 0;
  ASSERT_EQ(ZLGetDatabaseState(m_hDB, state), 1);
  EXPECT_EQ(state, 2u);
}

// Numbers beyond 32 bits and bad handles are refused by the walks of
// every export (tests/api, tests/reliability); a negative wait is too.
TEST_F(BusyTimeoutTest, ANegativeWaitIsRefusedAndChangesNothing) {
  ASSERT_EQ(ZLSetBusyTimeout(m_hDB, 1234), 1);
  EXPECT_EQ(FailCode(ZLSetBusyTimeout(m_hDB, -1)), ZLE_ENGINE);
  EXPECT_EQ(CDaoWorkspace::GetBusyTimeout(), 1234);
  ASSERT_EQ(ZLSetBusyTimeout(m_hDB, INT_MAX), 1);
  EXPECT_EQ(CDaoWorkspace::GetBusyTimeout(), INT_MAX);
}

}  // namespace
