// Opening existing databases: sharing, every failure code, older versions,
// the login, and what a close releases.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "engine/dao_database.h"
#include "engine/dao_errors.h"
#include "frame/handle_record.h"
#include "schema/layout.h"
#include "schema/zl_recordset.h"
#include "support/child_process.h"
#include "support/library_fixture.h"

namespace {

using zl::CHandleLock;

ZL_CHILD_ACTION(HoldExclusive) {
  CDaoDatabase db;
  try {
    db.Open(args.at(0).c_str(), TRUE, FALSE, zl::kDatabaseConnect);
  } catch (const CDaoException&) {
    return 1;
  }
  zltest::ChildSignalReady();
  zltest::ChildWaitForRelease();
  return 0;
}

class OpenTest : public LibraryTest {
 protected:
  void SetVersionField(int32_t packed) {
    CHandleLock lock(m_hDB);
    CZLRecordset& dbinfo = *lock.Record().recordsets[zl::ZLT_DBINFO];
    dbinfo.MoveFirst();
    dbinfo.Edit();
    dbinfo.SetFieldValue("VERSION", COleVariant(packed));
    dbinfo.Update();
  }
  // The last error of an open that fails; -1 (the handle closed again) for
  // one that succeeds.  Without a login, the two-argument form is used.
  static int OpenCode(const std::string& path, EOpenMode mode, const char* login = nullptr) {
    void* hDB = login == nullptr ? ZLOpenDatabase(path.c_str(), mode)
                                 : ZLOpenDatabase(path.c_str(), mode, login);
    if (hDB == nullptr) return ZLGetLastError();
    EXPECT_EQ(ZLCloseDatabase(hDB), 1);
    return -1;
  }
};

TEST_F(OpenTest, SameFileModeAndLoginShareOneHandle) {
  SKIP_ON_SERVER() << ": spellings of a path and hard links";
  // The creating handle counts as a read-write open without login.
  void* again = ZLOpenDatabase(m_path.c_str(), eOpenReadWrite, nullptr);
  EXPECT_EQ(again, m_hDB);
  ASSERT_EQ(ZLCloseDatabase(again), 1);
  CloseLibrary();
  void* first = ZLOpenDatabase(m_path.c_str(), eOpenReadWrite);
  ASSERT_NE(first, nullptr);
  // Another spelling of the same file, and a hard link to it.
  std::filesystem::create_directory(m_dir.File("sub"));
  EXPECT_EQ(ZLOpenDatabase((m_dir.Path() + "/./sub/../lib.zdb").c_str(), eOpenReadWrite, ""),
            first);
  ASSERT_EQ(::link(m_path.c_str(), m_dir.File("alias.zdb").c_str()), 0);
  EXPECT_EQ(ZLOpenDatabase(m_dir.File("alias.zdb").c_str(), eOpenReadWrite), first);
  // A different mode, login or file (even one whose name differs only in
  // case) is a different handle.
  void* readOnly = ZLOpenDatabase(m_path.c_str(), eOpenReadOnly);
  void* withLogin = ZLOpenDatabase(m_path.c_str(), eOpenReadWrite, "someone");
  ASSERT_EQ(ZLCloseDatabase(ZLCreateDatabase(m_dir.File("LIB.zdb").c_str())), 1);
  void* upper = ZLOpenDatabase(m_dir.File("LIB.zdb").c_str(), eOpenReadWrite);
  for (void* other : {readOnly, withLogin, upper}) {
    ASSERT_NE(other, nullptr);
    EXPECT_NE(other, first);
  }
  CString name;
  ASSERT_EQ(ZLGetDBName(upper, name), 1);
  EXPECT_EQ(name, m_dir.File("LIB.zdb").c_str());

  ASSERT_EQ(ZLCloseDatabase(first), 1);
  ASSERT_EQ(ZLCloseDatabase(first), 1);
  EXPECT_EQ(ZLGetDBName(first, name), 1);  // one reference left
  ASSERT_EQ(ZLCloseDatabase(first), 1);
  EXPECT_EQ(FailCode(ZLGetDBName(first, name)), ZLE_BAD_HANDLE);
  for (void* other : {readOnly, withLogin, upper}) EXPECT_EQ(ZLCloseDatabase(other), 1);
  EXPECT_EQ(zl::OpenHandleListHead(), nullptr);
}

TEST_F(OpenTest, EachFailureHasItsCodeAndLeavesNoHandle) {
  SKIP_ON_SERVER() << ": missing, foreign and read-only files";
  const std::string junk = m_dir.Write("junk.zdb", "this is not a database at all");
  EXPECT_EQ(OpenCode(m_dir.File("missing.zdb"), eOpenReadOnly), ZLE_FILE_NOT_FOUND);
  EXPECT_EQ(OpenCode(junk, eOpenReadWrite), ZLE_OPEN_FAILED);
  EXPECT_EQ(OpenCode(m_dir.Path() + "/" + std::string(300, 'n'), eOpenReadOnly), ZLE_OPEN_FAILED);
  EXPECT_EQ(OpenCode(m_path, eOpenReadOnly, std::string(260, 'l').c_str()), ZLE_OPEN_FAILED);
  EXPECT_EQ(zl::OpenHandleListHead(), m_hDB);

  // A protected database (login and state 1) wants the login in mode 0 only.
  ASSERT_EQ(ZLSetDatabaseLogin(m_hDB, "Chef", ""), 1);
  unsigned long state = 1;
  ASSERT_EQ(ZLSetDatabaseState(m_hDB, state), 1);
  CloseLibrary();
  EXPECT_EQ(OpenCode(m_path, eOpenReadWrite, "chef"), ZLE_LOGIN_MISMATCH);
  EXPECT_EQ(OpenCode(m_path, eOpenReadWrite), ZLE_LOGIN_MISMATCH);
  EXPECT_EQ(OpenCode(m_path, eOpenReadWrite, "Chef"), -1);
  for (EOpenMode mode : {eOpenReadOnly, eOpenReadWriteNoLogin, static_cast<EOpenMode>(9)}) {
    EXPECT_EQ(OpenCode(m_path, mode, ""), -1) << mode;
  }
  // Not writable in a writable mode comes before the structure check.
  m_hDB = ZLOpenDatabase(m_path.c_str(), eOpenReadWriteNoLogin);
  ASSERT_NE(m_hDB, nullptr);
  SetVersionField(zl::PackVersion(22, 6));
  CloseLibrary();
  ASSERT_EQ(::chmod(m_path.c_str(), 0444), 0);
  EXPECT_EQ(OpenCode(m_path, eOpenReadWriteNoLogin), ZLE_NOT_WRITABLE);
  EXPECT_EQ(OpenCode(m_path, eOpenReadOnly), ZLE_NEWER_STRUCTURE);
  EXPECT_EQ(zl::OpenHandleListHead(), nullptr);
}

TEST_F(OpenTest, ReadOnlyFileOpensReadOnly) {
  SKIP_ON_SERVER() << ": file permissions";
  CloseLibrary();
  ASSERT_EQ(::chmod(m_path.c_str(), 0444), 0);
  EXPECT_EQ(OpenCode(m_path, eOpenReadWrite), ZLE_NOT_WRITABLE);
  EXPECT_EQ(OpenCode(m_path, eOpenReadOnly), -1);
}

TEST_F(OpenTest, ExclusiveHolderElsewhereGivesLockCodes) {
  CloseLibrary();
  zltest::CChildProcess holder("HoldExclusive", {m_path});
  ASSERT_EQ(holder.ReadLine(), "ready");
  EXPECT_EQ(OpenCode(m_path, eOpenReadWrite), ZLE_LOCKED);
  EXPECT_EQ(OpenCode(m_path, eOpenReadOnly), ZLE_IN_USE_OR_EXISTS);
  EXPECT_EQ(zl::OpenHandleListHead(), nullptr);
  EXPECT_EQ(holder.Finish(), 0);
  EXPECT_EQ(OpenCode(m_path, eOpenReadWrite), -1);
}

TEST_F(OpenTest, OlderVersionsOpenOnlyTheirTables) {
  SetVersionField(zl::PackVersion(14, 5));
  CloseLibrary();
  m_hDB = ZLOpenDatabase(m_path.c_str(), eOpenReadWrite);
  ASSERT_NE(m_hDB, nullptr);
  CHandleLock lock(m_hDB);
  const zl::ZLHandleRecord& record = lock.Record();
  EXPECT_EQ(record.databaseVersion, 14);
  for (int t = 0; t < zl::ZLT_FIXED_TABLE_COUNT; ++t) {
    const auto table = static_cast<zl::ZLFixedTable>(t);
    const bool expected = zl::FixedTableExists(table, 14);
    EXPECT_EQ(record.recordsets[t] != nullptr, expected) << zl::FixedTableLayout(table).name;
    EXPECT_EQ(record.tableDefs[t] != nullptr, expected);
  }
  EXPECT_EQ(record.recordsets[zl::ZLT_PARAMSET], nullptr);
  EXPECT_NE(record.recordsets[zl::ZLT_UDT_ID], nullptr);
  EXPECT_EQ(std::string(record.recordsets[zl::ZLT_MAIN]->GetCurrentIndex()), "MODEL_ID_INDEX");
}

}  // namespace
