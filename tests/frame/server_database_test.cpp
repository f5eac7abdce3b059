// Libraries on a PostgreSQL server through the frame: a library is named by
// its connection name in any spelling, exclusive opens elsewhere give the
// lock codes, removal takes only a library nobody has open, and a failed
// creation leaves no tables behind.  Runs with
// ZL_TEST_BACKEND=postgres (scripts/pg-test-server.sh).
#include <gtest/gtest.h>

#include <string>

#include "engine/dao_database.h"
#include "engine/dao_errors.h"
#include "engine/faults.h"
#include "engine/sqlite_seam.h"
#include "frame/handle_record.h"
#include "schema/layout.h"
#include "support/child_process.h"
#include "support/test_backend.h"
#include "zldbctrl70.h"

namespace {

using zl::engine::CFaultInjector;
using zl::engine::CFaultScope;
using zl::engine::FaultKind;

ZL_CHILD_ACTION(HoldServerLibrary) {
  CDaoDatabase db;
  try {
    db.Open(args.at(0).c_str(), args.at(1) == "exclusive", FALSE, zl::kDatabaseConnect);
  } catch (const CDaoException&) {
    return 1;
  }
  zltest::ChildSignalReady();
  zltest::ChildWaitForRelease();
  return 0;
}

class ServerDatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testbackend::OnServer()) GTEST_SKIP() << "needs a server (ZL_TEST_BACKEND=postgres)";
    m_name = testbackend::MainLibrary(m_dir);
  }
  // The last error of an open that fails; -1 (closed again) for one that
  // succeeds.
  static int OpenCode(const std::string& name, EOpenMode mode) {
    void* hDB = ZLOpenDatabase(name.c_str(), mode);
    if (hDB == nullptr) return ZLGetLastError();
    EXPECT_EQ(ZLCloseDatabase(hDB), 1);
    return -1;
  }

  // The last error of a removal that fails; -1 for one that succeeds.
  static int DeleteCode(const std::string& name) {
    return ZLDeleteServerLibrary(name.c_str()) == 0 ? ZLGetLastError() : -1;
  }

  CScratchDir m_dir;
  std::string m_name;
};

TEST_F(ServerDatabaseTest, NamesShareHandlesAndLocksGiveTheFileCodes) {
  // A database without a library is what a missing file is.
  EXPECT_EQ(OpenCode(m_name, eOpenReadWrite), ZLE_FILE_NOT_FOUND);
  void* hDB = ZLCreateDatabase(m_name.c_str());
  ASSERT_NE(hDB, nullptr) << ZLGetLastError();
  EXPECT_EQ(ZLCreateDatabase(m_name.c_str()), nullptr);
  EXPECT_EQ(ZLGetLastError(), ZLE_IN_USE_OR_EXISTS);
  // The handle's name is the one spelling; it, and the URI, share the
  // creating handle.  Another mode is another handle.
  CString canonical;
  ASSERT_EQ(ZLGetDBName(hDB, canonical), 1);
  EXPECT_EQ(std::string(canonical).rfind("postgresql:", 0), 0u);
  EXPECT_NE(std::string(canonical), m_name);
  for (const std::string& name : {m_name, std::string(canonical)}) {
    void* again = ZLOpenDatabase(name.c_str(), eOpenReadWrite, "");
    EXPECT_EQ(again, hDB) << name;
    EXPECT_EQ(ZLCloseDatabase(again), 1);
  }
  // A password in the name connects (and keys the handle) but is not shown.
  for (const std::string& name :
       {m_name + "&password=s3cret",
        std::string(canonical) + " password='pass word' sslpassword=s3cret"}) {
    void* withPassword = ZLOpenDatabase(name.c_str(), eOpenReadWrite, "");
    ASSERT_NE(withPassword, nullptr) << name;
    EXPECT_NE(withPassword, hDB) << name;
    CString shown;
    EXPECT_EQ(ZLGetDBName(withPassword, shown), 1);
    EXPECT_EQ(std::string(shown), std::string(canonical)) << name;
    EXPECT_EQ(ZLCloseDatabase(withPassword), 1);
  }
  EXPECT_EQ(ZLCloseDatabase(hDB), 1);
  // A read-only open first: a read-write open after it (sharing the
  // process's connection) still writes, the read-only handle never does.
  void* readOnly = ZLOpenDatabase(m_name.c_str(), eOpenReadOnly);
  ASSERT_NE(readOnly, nullptr);
  hDB = ZLOpenDatabase(m_name.c_str(), eOpenReadWrite);
  ASSERT_NE(hDB, nullptr);
  EXPECT_NE(readOnly, hDB);
  EXPECT_EQ(ZLSetDatabaseInfo(hDB, "written"), 1) << ZLGetLastError();
  EXPECT_EQ(ZLSetDatabaseInfo(readOnly, "refused"), 0);
  CString info;
  EXPECT_EQ(ZLGetDatabaseInfo(readOnly, info), 1);
  EXPECT_EQ(info, "written");
  EXPECT_EQ(ZLCloseDatabase(readOnly), 1);
  EXPECT_EQ(ZLCloseDatabase(hDB), 1);

  // Other clients: an exclusive holder keeps everyone out; a shared one
  // keeps out only exclusive opens (the library's removal among them).
  {
    zltest::CChildProcess holder("HoldServerLibrary", {m_name, "exclusive"});
    ASSERT_EQ(holder.ReadLine(), "ready");
    EXPECT_EQ(OpenCode(m_name, eOpenReadWrite), ZLE_LOCKED);
    EXPECT_EQ(OpenCode(m_name, eOpenReadOnly), ZLE_IN_USE_OR_EXISTS);
    EXPECT_EQ(zl::OpenHandleListHead(), nullptr);
    EXPECT_EQ(holder.Finish(), 0);
  }
  {
    zltest::CChildProcess holder("HoldServerLibrary", {m_name, "shared"});
    ASSERT_EQ(holder.ReadLine(), "ready");
    EXPECT_EQ(OpenCode(m_name, eOpenReadWrite), -1);
    EXPECT_EQ(DeleteCode(m_name), ZLE_LOCKED);
    EXPECT_EQ(holder.Finish(), 0);
  }
  // Removal: refused while a handle here has it, then done once.
  hDB = ZLOpenDatabase(m_name.c_str(), eOpenReadOnly);
  EXPECT_EQ(DeleteCode(m_name), ZLE_LOCKED);
  EXPECT_EQ(ZLCloseDatabase(hDB), 1);
  EXPECT_EQ(DeleteCode(std::string(canonical)), -1);
  EXPECT_EQ(OpenCode(m_name, eOpenReadWrite), ZLE_FILE_NOT_FOUND);
  EXPECT_EQ(DeleteCode(m_name), ZLE_FILE_NOT_FOUND);
  EXPECT_EQ(DeleteCode(m_dir.File("file.zdb")), ZLE_OPEN_FAILED);
  // Tables that are no library's are not dropped.
  {
    zl::engine::CSqlConnection conn;
    conn.Open(m_name, {});
    conn.Exec("CREATE TABLE other_application (x integer)");
    EXPECT_EQ(DeleteCode(m_name), ZLE_FILE_NOT_FOUND);
    zl::engine::CSqlQuery q(conn, "SELECT count(*) FROM other_application");
    EXPECT_TRUE(q.Step());
  }
  // A name libpq cannot read is refused before anything is tried.
  EXPECT_EQ(OpenCode("postgresql:host", eOpenReadWrite), ZLE_OPEN_FAILED);
}

TEST_F(ServerDatabaseTest, FailedCreationLeavesNoTables) {
  // Size the faults on a creation that works: the writes and allocations
  // near its end come after the library's bookkeeping was committed, when
  // only removing the half-built tables can clean up.
  long writes = 0, allocations = 0;
  {
    CFaultScope scope;
    void* hDB = ZLCreateDatabase(m_name.c_str());
    ASSERT_NE(hDB, nullptr);
    writes = CFaultInjector::Count(FaultKind::kWrite);
    allocations = CFaultInjector::Count(FaultKind::kAllocation);
    EXPECT_EQ(ZLCloseDatabase(hDB), 1);
  }
  CDaoDatabase::DeleteServerLibrary(m_name.c_str());
  // Another application's table in the same database is never dropped.
  zl::engine::CSqlConnection other;
  other.Open(m_name, {});
  other.Exec(
      "CREATE TABLE other_application (x integer); INSERT INTO other_application VALUES (7)");
  auto otherRows = [&] {
    zl::engine::CSqlQuery q(other, "SELECT count(*) FROM other_application");
    return q.Step() ? q.ColumnInt(0) : -1;
  };
  const struct {
    FaultKind kind;
    long nth;
    int code;
  } faults[] = {{FaultKind::kWrite, writes / 2, ZLE_IN_USE_OR_EXISTS},
                {FaultKind::kWrite, writes - 1, ZLE_IN_USE_OR_EXISTS},
                {FaultKind::kAllocation, allocations - 2, ZLE_OUT_OF_MEMORY}};
  for (const auto& fault : faults) {
    SCOPED_TRACE(fault.nth);
    {
      CFaultScope scope;
      CFaultInjector::FailNth(fault.kind, static_cast<int>(fault.nth));
      EXPECT_EQ(ZLCreateDatabase(m_name.c_str()), nullptr);
      EXPECT_EQ(ZLGetLastError(), fault.code);
    }
    EXPECT_EQ(zl::OpenHandleListHead(), nullptr);
    EXPECT_EQ(OpenCode(m_name, eOpenReadOnly), ZLE_FILE_NOT_FOUND);
    EXPECT_EQ(otherRows(), 1);
  }
  void* hDB = ZLCreateDatabase(m_name.c_str());  // the name is free again
  ASSERT_NE(hDB, nullptr);
  EXPECT_EQ(ZLCloseDatabase(hDB), 1);
  EXPECT_EQ(DeleteCode(m_name), -1);
  EXPECT_EQ(otherRows(), 1);
}

}  // namespace
