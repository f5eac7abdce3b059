// Handles, versions and the database's own properties, reached the way a
// caller reaches them.
#include <gtest/gtest.h>

#include <string>

#include "engine/dao_database.h"
#include "frame/dbinfo.h"
#include "frame/handle_record.h"
#include "schema/zl_recordset.h"
#include "support/library_fixture.h"

namespace {

const COleDateTime kOld(2001, 2, 3, 4, 5, 6);

class DatabaseTest : public LibraryTest {
 protected:
  // The DBINFO recordset the handle keeps, on its one row.
  CZLRecordset& DbInfo() {
    zl::CHandleLock lock(m_hDB);
    CZLRecordset& rs = *lock.Record().recordsets[zl::ZLT_DBINFO];
    if (rs.GetRecordCount() > 0) rs.MoveFirst();
    return rs;
  }
  // Sets the layout stamp to an old date, so that a renewal shows.
  void AgeLayoutStamp() {
    zl::CHandleLock lock(m_hDB);
    const COleVariant old(kOld);
    zl::WriteDbInfoField(lock.Record(), "LASTLAYOUTCHANGE", &old);
  }
  COleDateTime LayoutDate() {
    COleDateTime date;
    EXPECT_EQ(ZLGetLastLayoutChangeDate(m_hDB, date), 1);
    return date;
  }
};

// A bad handle leaves the getters' outputs as they were (the code, 7, is
// checked for every export and kind of bad handle by the walk in
// tests/reliability), and a later read through the live handle keeps it.
TEST_F(DatabaseTest, BadHandlesLeaveOutputsAndTheLastErrorAlone) {
  void* closed = ZLCreateDatabase(m_dir.File("closed.zdb").c_str());
  ASSERT_EQ(ZLCloseDatabase(closed), 1);
  CString text("unchanged");
  ZLDBVersion version = ZLDBVersion0;
  ZLDBStructVersion structure = ZLDBStructVersion0;
  unsigned long state = 7;
  COleDateTime date(kOld);
  EXPECT_EQ(ZLGetDBName(closed, text) + ZLGetDatabaseVersion(closed, version, structure) +
                ZLGetDatabaseState(closed, state) + ZLGetUserVersion(closed, text) +
                ZLGetDatabaseInfo(closed, text) + ZLGetLastLayoutChangeDate(closed, date) +
                ZLGetPackageLastChangeDate(closed, date),
            0);
  EXPECT_TRUE(text == "unchanged" && version == ZLDBVersion0 && structure == ZLDBStructVersion0);
  EXPECT_TRUE(state == 7u && date == kOld);
  CString name;
  ASSERT_EQ(ZLGetDBName(m_hDB, name), 1);
  EXPECT_EQ(ZLGetLastError(), ZLE_BAD_HANDLE);
  // A file's full path, or a server name's one spelling.
  EXPECT_EQ(name, CDaoDatabase::IsServerName(m_path.c_str())
                      ? CDaoDatabase::CanonicalServerName(m_path.c_str())
                      : CString(m_path.c_str()));
}

TEST_F(DatabaseTest, VersionAndTextsAreStoredAndRoundTrip) {
  ASSERT_EQ(
      ZLSetDatabaseVersion(m_hDB, static_cast<ZLDBVersion>(14), static_cast<ZLDBStructVersion>(3)),
      1);
  ZLDBVersion version{};
  ZLDBStructVersion structure{};
  ASSERT_EQ(ZLGetDatabaseVersion(m_hDB, version, structure), 1);
  EXPECT_EQ(version, 14);
  EXPECT_EQ(structure, 3);
  EXPECT_EQ(DbInfo().GetFieldValue("VERSION").lVal, (3 << 16) | 14);
  ASSERT_EQ(ZLSetDatabaseVersion(m_hDB, ZLDBVersion22, ZLDBStructVersion5), 1);
  EXPECT_EQ(DbInfo().GetFieldValue("VERSION").lVal, 327702);
  EXPECT_EQ(DbInfo().GetRecordCount(), 1);

  CString text("stale");
  ASSERT_EQ(ZLGetUserVersion(m_hDB, text), 1);
  EXPECT_TRUE(text.IsEmpty());
  ASSERT_EQ(ZLSetUserVersion(m_hDB, "2.4 beta"), 1);
  ASSERT_EQ(ZLSetDatabaseInfo(m_hDB, "Bibliothek für Halbleiter"), 1);
  ASSERT_EQ(ZLGetDatabaseInfo(m_hDB, text), 1);
  EXPECT_EQ(text, "Bibliothek für Halbleiter");
  // The user version has room for 100 characters; a longer one is refused
  // by the engine and the stored one stays.
  EXPECT_EQ(FailCode(ZLSetUserVersion(m_hDB, std::string(101, 'v').c_str())), ZLE_ENGINE);
  ASSERT_EQ(ZLGetUserVersion(m_hDB, text), 1);
  EXPECT_EQ(text, "2.4 beta");
  ASSERT_EQ(ZLSetUserVersion(m_hDB, ""), 1);
  ASSERT_EQ(ZLGetUserVersion(m_hDB, text), 1);
  EXPECT_TRUE(text.IsEmpty());
}

TEST_F(DatabaseTest, StateStampsTheLayoutDateButTextsAndVersionDoNot) {
  // No stamp yet: both dates are the creation date of the property table.
  const COleDateTime created = LayoutDate();
  EXPECT_EQ(created.GetStatus(), COleDateTime::valid);
  EXPECT_EQ(created, DbInfo().GetDateCreated());
  COleDateTime package;
  ASSERT_EQ(ZLGetPackageLastChangeDate(m_hDB, package), 1);
  EXPECT_EQ(package, created);

  AgeLayoutStamp();
  ASSERT_EQ(ZLSetUserVersion(m_hDB, "1"), 1);
  ASSERT_EQ(ZLSetDatabaseInfo(m_hDB, "i"), 1);
  ASSERT_EQ(ZLSetDatabaseVersion(m_hDB, ZLDBVersion22, ZLDBStructVersion5), 1);
  EXPECT_EQ(LayoutDate(), kOld);
  unsigned long state = 1;
  ASSERT_EQ(ZLSetDatabaseState(m_hDB, state), 1);
  EXPECT_NEAR(LayoutDate().m_dt, created.m_dt, 2.0 / 86400);  // now, to the second
  state = 0;
  ASSERT_EQ(ZLGetDatabaseState(m_hDB, state), 1);
  EXPECT_EQ(state, 1u);
  // The package date is separate and still falls back to the creation date.
  ASSERT_EQ(ZLGetPackageLastChangeDate(m_hDB, package), 1);
  EXPECT_EQ(package, created);
}

TEST_F(DatabaseTest, LoginIsSetCheckedChangedAndRemoved) {
  // Without a stored login any non-empty text passes, and only an empty
  // old login is accepted for setting one.
  EXPECT_EQ(ZLCheckDatabaseLogin(m_hDB, "anything"), 1);
  EXPECT_EQ(FailCode(ZLCheckDatabaseLogin(m_hDB, "")), ZLE_BAD_LOGIN);
  EXPECT_EQ(FailCode(ZLCheckDatabaseLogin(m_hDB, nullptr)), ZLE_BAD_LOGIN);
  EXPECT_EQ(FailCode(ZLSetDatabaseLogin(m_hDB, "Secret", "guess")), ZLE_BAD_LOGIN);
  EXPECT_EQ(ZLCheckDatabaseLogin(m_hDB, "whatever"), 1);

  AgeLayoutStamp();
  ASSERT_EQ(ZLSetDatabaseLogin(m_hDB, "Secret", nullptr), 1);
  EXPECT_NE(LayoutDate(), kOld);
  EXPECT_EQ(ZLCheckDatabaseLogin(m_hDB, "Secret"), 1);
  EXPECT_EQ(FailCode(ZLCheckDatabaseLogin(m_hDB, "secret")), ZLE_BAD_LOGIN);
  EXPECT_EQ(ZLCheckDatabaseLogin(m_hDB, "Secret2"), 0);
  // The stored value is the compressed login, never the plain text.
  const COleVariant stored = DbInfo().GetFieldValue("LOGIN");
  ASSERT_TRUE(stored.IsByteArray());
  const std::string bytes(reinterpret_cast<const char*>(stored.GetByteArrayData()),
                          stored.GetByteArraySize());
  EXPECT_EQ(bytes.find("Secret"), std::string::npos);

  // A wrong old login changes nothing.
  EXPECT_EQ(FailCode(ZLSetDatabaseLogin(m_hDB, "Other", "secret")), ZLE_BAD_LOGIN);
  EXPECT_EQ(ZLCheckDatabaseLogin(m_hDB, "Secret"), 1);
  ASSERT_EQ(ZLSetDatabaseLogin(m_hDB, "Zweites Passwort ä", "Secret"), 1);
  EXPECT_EQ(ZLCheckDatabaseLogin(m_hDB, "Zweites Passwort ä"), 1);
  EXPECT_EQ(ZLCheckDatabaseLogin(m_hDB, "Secret"), 0);
  // An empty new login removes it: any non-empty text passes again.
  ASSERT_EQ(ZLSetDatabaseLogin(m_hDB, "", "Zweites Passwort ä"), 1);
  EXPECT_EQ(ZLCheckDatabaseLogin(m_hDB, "anyone"), 1);
  EXPECT_EQ(DbInfo().GetFieldValue("LOGIN").vt, VT_NULL);

  // One distinct byte plus the end mark: one-bit codes, so every padding bit
  // decodes into an extra byte after the end mark.
  ASSERT_EQ(ZLSetDatabaseLogin(m_hDB, "x", ""), 1);
  EXPECT_EQ(ZLCheckDatabaseLogin(m_hDB, "x"), 1);
  EXPECT_EQ(ZLCheckDatabaseLogin(m_hDB, "xx"), 0);
}

TEST_F(DatabaseTest, WithoutItsRowThePropertyGettersGiveNine) {
  CString text;
  // With its row gone, the property table makes the getters fail with 9.
  DbInfo().Delete();
  unsigned long state = 0;
  EXPECT_EQ(FailCode(ZLGetDatabaseState(m_hDB, state)), ZLE_ENGINE);
  EXPECT_EQ(FailCode(ZLGetUserVersion(m_hDB, text)), ZLE_ENGINE);
  // A writer brings the row back, and only one.
  ASSERT_EQ(ZLSetDatabaseInfo(m_hDB, "again"), 1);
  ASSERT_EQ(ZLSetUserVersion(m_hDB, "again"), 1);
  EXPECT_EQ(DbInfo().GetRecordCount(), 1);
}

}  // namespace
