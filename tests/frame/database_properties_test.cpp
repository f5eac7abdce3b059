// Handles, versions and the database's own properties, reached the way a
// caller reaches them.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "engine/dao_recordset.h"
#include "engine/faults.h"
#include "frame/handle_record.h"
#include "platform/scratch_dir.h"
#include "schema/zl_recordset.h"
#include "zldbctrl70/database.h"
#include "zldbctrl70/errors.h"
#include "zldbctrl70/platform/globalmem.h"

namespace {

class DatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_hDB = ZLCreateDatabase(m_dir.File("lib.zdb").c_str());
    ASSERT_NE(m_hDB, nullptr);
  }
  void TearDown() override {
    if (m_hDB != nullptr) {
      EXPECT_EQ(ZLCloseDatabase(m_hDB), 1);
    }
  }
  // The recordset the handle keeps for a fixed table, for tests that must
  // reach past the public interface.
  CZLRecordset& Recordset(zl::ZLFixedTable table) {
    zl::CHandleLock lock(m_hDB);
    return *lock.Record().recordsets[table];
  }
  COleDateTime LayoutDate() {
    COleDateTime date;
    EXPECT_EQ(ZLGetLastLayoutChangeDate(m_hDB, date), 1);
    return date;
  }

  CScratchDir m_dir;
  void* m_hDB = nullptr;
};

TEST(VersionTest, LibraryVersionPacksBothVersions) {
  EXPECT_EQ(GetZLDBCtrlDBVersion(), 22);
  EXPECT_EQ(GetZLDBCtrlStructVersion(), 5);
  EXPECT_EQ(GetZLDBCtrlVersion(), (GetZLDBCtrlStructVersion() << 16) + GetZLDBCtrlDBVersion());
  EXPECT_STRNE(ZLGetErrorText(ZLE_BAD_HANDLE), ZLGetErrorText(12345));
}

// Every operation of the frame refuses a handle that is not a live handle
// record with 7, whatever the value is.
TEST_F(DatabaseTest, BadHandlesGiveSevenFromEveryOperation) {
  HGLOBAL small = GlobalAlloc(GHND, 16);
  HGLOBAL sameSize = GlobalAlloc(GHND, sizeof(zl::ZLHandleRecord));
  int stackValue = 0;
  void* const garbage[] = {nullptr, reinterpret_cast<void*>(0x1234), &stackValue, small, sameSize};
  for (void* h : garbage) {
    SCOPED_TRACE(reinterpret_cast<uintptr_t>(h));
    CString text("unchanged");
    ZLDBVersion version = ZLDBVersion0;
    ZLDBStructVersion structure = ZLDBStructVersion0;
    unsigned long state = 7;
    COleDateTime date;
    EXPECT_EQ(ZLGetDBName(h, text), 0);
    EXPECT_EQ(ZLGetLastError(), ZLE_BAD_HANDLE);
    EXPECT_EQ(text, "unchanged");
    EXPECT_EQ(ZLGetDatabaseVersion(h, version, structure), 0);
    EXPECT_EQ(ZLSetDatabaseVersion(h, ZLDBVersion22, ZLDBStructVersion5), 0);
    EXPECT_EQ(ZLGetDatabaseState(h, state), 0);
    EXPECT_EQ(ZLSetDatabaseState(h, state), 0);
    EXPECT_EQ(ZLGetUserVersion(h, text), 0);
    EXPECT_EQ(ZLSetUserVersion(h, "x"), 0);
    EXPECT_EQ(ZLGetDatabaseInfo(h, text), 0);
    EXPECT_EQ(ZLSetDatabaseInfo(h, "x"), 0);
    EXPECT_EQ(ZLGetLastLayoutChangeDate(h, date), 0);
    EXPECT_EQ(ZLGetPackageLastChangeDate(h, date), 0);
    EXPECT_EQ(ZLSetDatabaseLogin(h, "a", ""), 0);
    EXPECT_EQ(ZLCheckDatabaseLogin(h, "a"), 0);
    EXPECT_EQ(ZLGetLastError(), ZLE_BAD_HANDLE);
    EXPECT_EQ(ZLCloseDatabase(h), 0);
    EXPECT_EQ(ZLGetLastError(), ZLE_BAD_HANDLE);
    EXPECT_EQ(text, "unchanged");
    EXPECT_EQ(version, ZLDBVersion0);
  }
  GlobalFree(small);
  GlobalFree(sameSize);

  // A closed handle is refused as well, and the live one is not disturbed.
  void* other = ZLCreateDatabase(m_dir.File("other.zdb").c_str());
  ASSERT_NE(other, nullptr);
  ASSERT_EQ(ZLCloseDatabase(other), 1);
  CString name;
  EXPECT_EQ(ZLGetDBName(other, name), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_BAD_HANDLE);
  EXPECT_EQ(ZLCloseDatabase(other), 0);
  EXPECT_EQ(ZLGetDBName(m_hDB, name), 1);
}

TEST_F(DatabaseTest, GetDBNameKeepsThePreviousError) {
  CString name;
  EXPECT_EQ(ZLGetDBName(reinterpret_cast<void*>(0x99), name), 0);
  ASSERT_EQ(ZLGetDBName(m_hDB, name), 1);
  EXPECT_EQ(ZLGetLastError(), ZLE_BAD_HANDLE);
  EXPECT_EQ(name, m_dir.File("lib.zdb").c_str());
}

TEST_F(DatabaseTest, VersionIsStoredInTheFileAndTheHandle) {
  ASSERT_EQ(ZLSetDatabaseVersion(m_hDB, static_cast<ZLDBVersion>(14),
                                 static_cast<ZLDBStructVersion>(3)), 1);
  ZLDBVersion version{};
  ZLDBStructVersion structure{};
  ASSERT_EQ(ZLGetDatabaseVersion(m_hDB, version, structure), 1);
  EXPECT_EQ(version, 14);
  EXPECT_EQ(structure, 3);
  CZLRecordset& dbinfo = Recordset(zl::ZLT_DBINFO);
  dbinfo.MoveFirst();
  EXPECT_EQ(dbinfo.GetFieldValue("VERSION").lVal, (3 << 16) | 14);
  ASSERT_EQ(ZLSetDatabaseVersion(m_hDB, ZLDBVersion22, ZLDBStructVersion5), 1);
  dbinfo.MoveFirst();
  EXPECT_EQ(dbinfo.GetFieldValue("VERSION").lVal, 327702);
  EXPECT_EQ(dbinfo.GetRecordCount(), 1);
}

TEST_F(DatabaseTest, TextPropertiesRoundTripAndStartEmpty) {
  CString text("stale");
  ASSERT_EQ(ZLGetUserVersion(m_hDB, text), 1);
  EXPECT_TRUE(text.IsEmpty());
  ASSERT_EQ(ZLSetUserVersion(m_hDB, "2.4 beta"), 1);
  ASSERT_EQ(ZLSetDatabaseInfo(m_hDB, "Bibliothek für Halbleiter"), 1);
  ASSERT_EQ(ZLGetUserVersion(m_hDB, text), 1);
  EXPECT_EQ(text, "2.4 beta");
  ASSERT_EQ(ZLGetDatabaseInfo(m_hDB, text), 1);
  EXPECT_EQ(text, "Bibliothek für Halbleiter");
  // The user version has room for 100 characters; a longer one is refused
  // by the engine and the stored one stays.
  EXPECT_EQ(ZLSetUserVersion(m_hDB, std::string(101, 'v').c_str()), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_ENGINE);
  ASSERT_EQ(ZLGetUserVersion(m_hDB, text), 1);
  EXPECT_EQ(text, "2.4 beta");
  ASSERT_EQ(ZLSetUserVersion(m_hDB, ""), 1);
  ASSERT_EQ(ZLGetUserVersion(m_hDB, text), 1);
  EXPECT_TRUE(text.IsEmpty());
}

TEST_F(DatabaseTest, StateStampsTheLayoutDateButTextsDoNot) {
  // No stamp yet: the date is the creation date of the property table.
  const COleDateTime created = LayoutDate();
  EXPECT_EQ(created.GetStatus(), COleDateTime::valid);
  EXPECT_EQ(created, Recordset(zl::ZLT_DBINFO).GetDateCreated());

  ASSERT_EQ(ZLSetUserVersion(m_hDB, "1"), 1);
  ASSERT_EQ(ZLSetDatabaseInfo(m_hDB, "i"), 1);
  ASSERT_EQ(ZLSetDatabaseVersion(m_hDB, ZLDBVersion22, ZLDBStructVersion5), 1);
  EXPECT_EQ(LayoutDate(), created);

  unsigned long state = 0;
  ASSERT_EQ(ZLGetDatabaseState(m_hDB, state), 1);
  EXPECT_EQ(state, 0u);
  // Stamps have one-second resolution: step past the creation second.
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  state = 1;
  ASSERT_EQ(ZLSetDatabaseState(m_hDB, state), 1);
  const COleDateTime stamped = LayoutDate();
  EXPECT_GT(stamped, created);
  state = 0;
  ASSERT_EQ(ZLGetDatabaseState(m_hDB, state), 1);
  EXPECT_EQ(state, 1u);

  // The package date is separate and still falls back to the creation date.
  COleDateTime package;
  ASSERT_EQ(ZLGetPackageLastChangeDate(m_hDB, package), 1);
  EXPECT_EQ(package, created);
}

TEST_F(DatabaseTest, LoginIsSetCheckedChangedAndRemoved) {
  EXPECT_EQ(ZLCheckDatabaseLogin(m_hDB, "anything"), 1);
  EXPECT_EQ(ZLCheckDatabaseLogin(m_hDB, ""), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_BAD_LOGIN);
  EXPECT_EQ(ZLCheckDatabaseLogin(m_hDB, nullptr), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_BAD_LOGIN);

  // Without a stored login only an empty old login is accepted.
  EXPECT_EQ(ZLSetDatabaseLogin(m_hDB, "Secret", "guess"), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_BAD_LOGIN);
  EXPECT_EQ(ZLCheckDatabaseLogin(m_hDB, "whatever"), 1);

  const COleDateTime before = LayoutDate();
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  ASSERT_EQ(ZLSetDatabaseLogin(m_hDB, "Secret", nullptr), 1);
  EXPECT_GT(LayoutDate(), before);
  EXPECT_EQ(ZLCheckDatabaseLogin(m_hDB, "Secret"), 1);
  EXPECT_EQ(ZLCheckDatabaseLogin(m_hDB, "secret"), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_BAD_LOGIN);
  EXPECT_EQ(ZLCheckDatabaseLogin(m_hDB, "Secret2"), 0);

  // The stored value is the compressed login, never the plain text.
  CZLRecordset& dbinfo = Recordset(zl::ZLT_DBINFO);
  dbinfo.MoveFirst();
  const COleVariant stored = dbinfo.GetFieldValue("LOGIN");
  ASSERT_TRUE(stored.IsByteArray());
  const std::string bytes(reinterpret_cast<const char*>(stored.GetByteArrayData()),
                          stored.GetByteArraySize());
  EXPECT_EQ(bytes.find("Secret"), std::string::npos);

  // A wrong old login changes nothing.
  EXPECT_EQ(ZLSetDatabaseLogin(m_hDB, "Other", "secret"), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_BAD_LOGIN);
  EXPECT_EQ(ZLCheckDatabaseLogin(m_hDB, "Secret"), 1);

  ASSERT_EQ(ZLSetDatabaseLogin(m_hDB, "Zweites Passwort ä", "Secret"), 1);
  EXPECT_EQ(ZLCheckDatabaseLogin(m_hDB, "Zweites Passwort ä"), 1);
  EXPECT_EQ(ZLCheckDatabaseLogin(m_hDB, "Secret"), 0);

  // An empty new login removes it: any non-empty text passes again.
  ASSERT_EQ(ZLSetDatabaseLogin(m_hDB, "", "Zweites Passwort ä"), 1);
  EXPECT_EQ(ZLCheckDatabaseLogin(m_hDB, "anyone"), 1);
  dbinfo.MoveFirst();
  EXPECT_EQ(dbinfo.GetFieldValue("LOGIN").vt, VT_NULL);
}

TEST_F(DatabaseTest, SingleCharacterLoginSurvivesPadding) {
  // One distinct byte plus the end mark: two symbols, one-bit codes, so every
  // padding bit decodes into an extra byte after the end mark.
  ASSERT_EQ(ZLSetDatabaseLogin(m_hDB, "x", ""), 1);
  EXPECT_EQ(ZLCheckDatabaseLogin(m_hDB, "x"), 1);
  EXPECT_EQ(ZLCheckDatabaseLogin(m_hDB, "xx"), 0);
}

TEST_F(DatabaseTest, EngineFailuresGiveNineAndLeaveTheRowAsItWas) {
  ASSERT_EQ(ZLSetUserVersion(m_hDB, "kept"), 1);
  {
    zl::engine::CFaultScope faults;
    zl::engine::CFaultInjector::FailNth(zl::engine::FaultKind::kWrite, 1);
    EXPECT_EQ(ZLSetUserVersion(m_hDB, "lost"), 0);
    EXPECT_EQ(ZLGetLastError(), ZLE_ENGINE);
  }
  CString text;
  ASSERT_EQ(ZLGetUserVersion(m_hDB, text), 1);
  EXPECT_EQ(text, "kept");
  {
    zl::engine::CFaultScope faults;
    zl::engine::CFaultInjector::FailNth(zl::engine::FaultKind::kAllocation, 1);
    unsigned long state = 3;
    EXPECT_EQ(ZLSetDatabaseState(m_hDB, state), 0);
    EXPECT_EQ(ZLGetLastError(), ZLE_OUT_OF_MEMORY);
  }
  // With its row gone, the property table makes the getters fail with 9.
  CZLRecordset& dbinfo = Recordset(zl::ZLT_DBINFO);
  dbinfo.MoveFirst();
  dbinfo.Delete();
  unsigned long state = 0;
  EXPECT_EQ(ZLGetDatabaseState(m_hDB, state), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_ENGINE);
  EXPECT_EQ(ZLGetUserVersion(m_hDB, text), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_ENGINE);
  // A writer brings the row back, and only one.
  ASSERT_EQ(ZLSetDatabaseInfo(m_hDB, "again"), 1);
  ASSERT_EQ(ZLSetUserVersion(m_hDB, "again"), 1);
  EXPECT_EQ(dbinfo.GetRecordCount(), 1);
}

TEST_F(DatabaseTest, HandleListTracksOpenHandles) {
  void* second = ZLCreateDatabase(m_dir.File("second.zdb").c_str());
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(zl::OpenHandleListHead(), second);
  ASSERT_EQ(ZLCloseDatabase(m_hDB), 1);
  m_hDB = nullptr;
  EXPECT_EQ(zl::OpenHandleListHead(), second);
  ASSERT_EQ(ZLCloseDatabase(second), 1);
  EXPECT_EQ(zl::OpenHandleListHead(), nullptr);
}

}  // namespace
