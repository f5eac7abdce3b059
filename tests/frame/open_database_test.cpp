// Opening existing databases: sharing, every failure code, older versions,
// the login, snapshot mode, and what a close releases.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "engine/dao_database.h"
#include "engine/dao_errors.h"
#include "frame/handle_record.h"
#include "frame/language_maps.h"
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

ZL_CHILD_ACTION(AddMacroTable) {
  void* hDB = ZLOpenDatabase(args.at(0).c_str(), eOpenReadWriteNoLogin);
  if (hDB == nullptr) return 1;
  const int ok = ZLAddMacroTable(hDB, args.at(1).c_str(), 0);
  ZLCloseDatabase(hDB);
  return ok == 1 ? 0 : 2;
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
  void Protect(const char* login) {
    ASSERT_EQ(ZLSetDatabaseLogin(m_hDB, login, ""), 1);
    unsigned long state = 1;
    ASSERT_EQ(ZLSetDatabaseState(m_hDB, state), 1);
  }
};

TEST_F(OpenTest, SameFileModeAndLoginShareOneHandle) {
  CloseLibrary();
  void* first = ZLOpenDatabase(m_path.c_str(), eOpenReadWrite);
  ASSERT_NE(first, nullptr);
  // Another spelling of the same file, and a hard link to it.
  const std::string other = m_dir.Path() + "/./sub/../lib.zdb";
  std::filesystem::create_directory(m_dir.File("sub"));
  void* second = ZLOpenDatabase(other.c_str(), eOpenReadWrite, "");
  EXPECT_EQ(second, first);
  ASSERT_EQ(::link(m_path.c_str(), m_dir.File("alias.zdb").c_str()), 0);
  void* third = ZLOpenDatabase(m_dir.File("alias.zdb").c_str(), eOpenReadWrite);
  EXPECT_EQ(third, first);
  // A different mode or login is a different handle.
  void* readOnly = ZLOpenDatabase(m_path.c_str(), eOpenReadOnly);
  ASSERT_NE(readOnly, nullptr);
  EXPECT_NE(readOnly, first);
  void* withLogin = ZLOpenDatabase(m_path.c_str(), eOpenReadWrite, "someone");
  ASSERT_NE(withLogin, nullptr);
  EXPECT_NE(withLogin, first);

  ASSERT_EQ(ZLCloseDatabase(first), 1);
  ASSERT_EQ(ZLCloseDatabase(first), 1);
  CString name;
  EXPECT_EQ(ZLGetDBName(first, name), 1);  // one reference left
  ASSERT_EQ(ZLCloseDatabase(first), 1);
  EXPECT_EQ(ZLGetDBName(first, name), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_BAD_HANDLE);
  EXPECT_EQ(ZLCloseDatabase(readOnly), 1);
  EXPECT_EQ(ZLCloseDatabase(withLogin), 1);
  EXPECT_EQ(zl::OpenHandleListHead(), nullptr);
}

TEST_F(OpenTest, DifferentFilesNeverShareEvenWhenNamesDifferOnlyInCase) {
  void* upper = ZLCreateDatabase(m_dir.File("LIB.zdb").c_str());
  ASSERT_NE(upper, nullptr);
  ASSERT_EQ(ZLCloseDatabase(upper), 1);
  upper = ZLOpenDatabase(m_dir.File("LIB.zdb").c_str(), eOpenReadWrite);
  ASSERT_NE(upper, nullptr);
  EXPECT_NE(upper, m_hDB);
  CString name;
  ASSERT_EQ(ZLGetDBName(upper, name), 1);
  EXPECT_EQ(name, m_dir.File("LIB.zdb").c_str());
  EXPECT_EQ(ZLCloseDatabase(upper), 1);
}

TEST_F(OpenTest, CreatingHandleIsSharedByAReadWriteOpenWithoutLogin) {
  void* again = ZLOpenDatabase(m_path.c_str(), eOpenReadWrite, nullptr);
  EXPECT_EQ(again, m_hDB);
  ASSERT_EQ(ZLCloseDatabase(again), 1);
}

TEST_F(OpenTest, FailureCodes) {
  EXPECT_EQ(ZLOpenDatabase(m_dir.File("missing.zdb").c_str(), eOpenReadOnly), nullptr);
  EXPECT_EQ(ZLGetLastError(), ZLE_FILE_NOT_FOUND);
  const std::string junk = m_dir.Write("junk.zdb", "this is not a database at all");
  EXPECT_EQ(ZLOpenDatabase(junk.c_str(), eOpenReadWrite), nullptr);
  EXPECT_EQ(ZLGetLastError(), ZLE_OPEN_FAILED);
  const std::string longName = m_dir.Path() + "/" + std::string(300, 'n');
  EXPECT_EQ(ZLOpenDatabase(longName.c_str(), eOpenReadOnly), nullptr);
  EXPECT_EQ(ZLGetLastError(), ZLE_OPEN_FAILED);
  EXPECT_EQ(ZLOpenDatabase(m_path.c_str(), eOpenReadOnly, std::string(260, 'l').c_str()), nullptr);
  EXPECT_EQ(ZLGetLastError(), ZLE_OPEN_FAILED);
  EXPECT_EQ(zl::OpenHandleListHead(), m_hDB);
}

TEST_F(OpenTest, ReadOnlyFileOpensOnlyReadOnly) {
  CloseLibrary();
  ASSERT_EQ(::chmod(m_path.c_str(), 0444), 0);
  EXPECT_EQ(ZLOpenDatabase(m_path.c_str(), eOpenReadWrite), nullptr);
  EXPECT_EQ(ZLGetLastError(), ZLE_NOT_WRITABLE);
  void* hDB = ZLOpenDatabase(m_path.c_str(), eOpenReadOnly);
  ASSERT_NE(hDB, nullptr);
  EXPECT_EQ(ZLCloseDatabase(hDB), 1);
}

TEST_F(OpenTest, NewerStructureIsRefused) {
  SetVersionField(zl::PackVersion(22, 6));
  CloseLibrary();
  EXPECT_EQ(ZLOpenDatabase(m_path.c_str(), eOpenReadOnly), nullptr);
  EXPECT_EQ(ZLGetLastError(), ZLE_NEWER_STRUCTURE);
  EXPECT_EQ(zl::OpenHandleListHead(), nullptr);
}

TEST_F(OpenTest, OlderVersionsOpenOnlyTheirTables) {
  SetVersionField(zl::PackVersion(14, 5));
  CloseLibrary();
  void* hDB = ZLOpenDatabase(m_path.c_str(), eOpenReadWrite);
  ASSERT_NE(hDB, nullptr);
  {
    CHandleLock lock(hDB);
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
  ASSERT_EQ(ZLCloseDatabase(hDB), 1);
}

TEST_F(OpenTest, LoginIsEnforcedOnlyForModeZero) {
  Protect("Chef");
  CloseLibrary();
  EXPECT_EQ(ZLOpenDatabase(m_path.c_str(), eOpenReadWrite, "chef"), nullptr);
  EXPECT_EQ(ZLGetLastError(), ZLE_LOGIN_MISMATCH);
  EXPECT_EQ(ZLOpenDatabase(m_path.c_str(), eOpenReadWrite), nullptr);
  EXPECT_EQ(ZLGetLastError(), ZLE_LOGIN_MISMATCH);
  EXPECT_EQ(zl::OpenHandleListHead(), nullptr);
  for (EOpenMode mode : {eOpenReadWrite, eOpenReadOnly, eOpenReadWriteNoLogin,
                         static_cast<EOpenMode>(9)}) {
    void* hDB = ZLOpenDatabase(m_path.c_str(), mode, mode == eOpenReadWrite ? "Chef" : "");
    ASSERT_NE(hDB, nullptr) << mode;
    EXPECT_EQ(ZLCloseDatabase(hDB), 1);
  }
}

TEST_F(OpenTest, ExclusiveHolderElsewhereGivesLockCodes) {
  CloseLibrary();
  zltest::CChildProcess holder("HoldExclusive", {m_path});
  ASSERT_EQ(holder.ReadLine(), "ready");
  EXPECT_EQ(ZLOpenDatabase(m_path.c_str(), eOpenReadWrite), nullptr);
  EXPECT_EQ(ZLGetLastError(), ZLE_LOCKED);
  EXPECT_EQ(ZLOpenDatabase(m_path.c_str(), eOpenReadOnly), nullptr);
  EXPECT_EQ(ZLGetLastError(), ZLE_IN_USE_OR_EXISTS);
  EXPECT_EQ(zl::OpenHandleListHead(), nullptr);
  EXPECT_EQ(holder.Finish(), 0);
  void* hDB = ZLOpenDatabase(m_path.c_str(), eOpenReadWrite);
  ASSERT_NE(hDB, nullptr);
  EXPECT_EQ(ZLCloseDatabase(hDB), 1);
}

TEST_F(OpenTest, SnapshotModeSkipsTheRefreshUntilSwitchedOff) {
  ASSERT_EQ(ZLSetDatabaseSnapShotMode(m_hDB, 1), 1);
  ASSERT_EQ(zltest::RunChild("AddMacroTable", {m_path, "Spice"}), 0);
  CStringArray languages;
  ASSERT_EQ(ZLGetAvailableMacroSimLanguages(m_hDB, languages), 1);
  EXPECT_EQ(languages.GetSize(), 0);
  ASSERT_EQ(ZLSetDatabaseSnapShotMode(m_hDB, 0), 1);
  ASSERT_EQ(ZLGetAvailableMacroSimLanguages(m_hDB, languages), 1);
  ASSERT_EQ(languages.GetSize(), 1);
  EXPECT_EQ(languages[0], "Spice");
  // Switching it on takes one fresh picture.
  ASSERT_EQ(zltest::RunChild("AddMacroTable", {m_path, "Saber"}), 0);
  ASSERT_EQ(ZLSetDatabaseSnapShotMode(m_hDB, 1), 1);
  languages.RemoveAll();
  ASSERT_EQ(ZLGetAvailableMacroSimLanguages(m_hDB, languages), 1);
  EXPECT_EQ(languages.GetSize(), 2);
}

TEST_F(OpenTest, OpenFindsRegisteredLanguageTables) {
  ASSERT_EQ(ZLAddResourceTable(m_hDB, 1033), 1);
  ASSERT_EQ(ZLAddCallTable(m_hDB, "Spice", 1), 1);
  CloseLibrary();
  void* hDB = ZLOpenDatabase(m_path.c_str(), eOpenReadOnly);
  ASSERT_NE(hDB, nullptr);
  {
    CHandleLock lock(hDB);
    const zl::ZLLanguageMaps& maps = *lock.Record().languages;
    for (int kind = 0; kind < zl::ZLR_KIND_COUNT; ++kind) {
      EXPECT_EQ(maps.resource[kind].recordsets.GetCount(), 1) << kind;
    }
    EXPECT_EQ(maps.simulator[zl::ZLS_CALL].recordsets.GetCount(), 1);
    BOOL exclusive = FALSE;
    EXPECT_TRUE(maps.exclusive[zl::ZLS_CALL].Lookup("Spice", exclusive));
    EXPECT_TRUE(exclusive);
  }
  int exclusive = 0;
  ASSERT_EQ(ZLIsExclusiveCallTable(hDB, "Spice", exclusive), 1);
  EXPECT_EQ(exclusive, 1);
  ASSERT_EQ(ZLCloseDatabase(hDB), 1);
}

}  // namespace
