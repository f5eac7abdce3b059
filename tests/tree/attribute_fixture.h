// A fresh library with helpers that read and write rows through the engine
// directly, so that tests of records check the stored state without going
// through the code under test.
#ifndef ZLDBCTRL70_TESTS_TREE_ATTRIBUTE_FIXTURE_H_
#define ZLDBCTRL70_TESTS_TREE_ATTRIBUTE_FIXTURE_H_

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/dbinfo.h"
#include "schema/zl_recordset.h"
#include "support/library_fixture.h"

class AttributeFixture : public LibraryTest {
 protected:
  void TearDown() override {
    if (m_other != nullptr) {
      EXPECT_EQ(ZLCloseDatabase(m_other), 1);
    }
    LibraryTest::TearDown();
  }

  std::vector<long> NewRecords(int count) {
    std::vector<long> ids;
    for (int i = 0; i < count; ++i) ids.push_back(NewRecord());
    return ids;
  }
  COleVariant BookmarkOf(long id) {
    COleVariant bookmark;
    EXPECT_EQ(ZLGetBookmarkByID(m_hDB, id, bookmark), 1);
    return bookmark;
  }
  CZLRecordset& Rs(zl::CHandleLock& lock, zl::ZLFixedTable table) {
    return *lock.Record().recordsets[table];
  }
  // A PARAMSET row owned by the record; its ID.
  long NewParamSet(long recordID) {
    zl::CHandleLock lock(m_hDB);
    CZLRecordset& rs = Rs(lock, zl::ZLT_PARAMSET);
    rs.AddNew();
    rs.SetFieldValue("MODEL_ID", COleVariant(static_cast<int32_t>(recordID)));
    rs.Update();
    rs.SetBookmark(rs.GetLastModifiedBookmark());
    return rs.GetFieldValue("PARAM_ID").lVal;
  }
  // A field of the row with that ID (on the table's current index), or "missing".
  COleVariant Raw(zl::ZLFixedTable table, long id, const char* field) {
    zl::CHandleLock lock(m_hDB);
    COleVariant key(static_cast<int32_t>(id));
    if (!Rs(lock, table).Seek("=", &key)) return COleVariant("missing");
    return Rs(lock, table).GetFieldValue(field);
  }
  COleVariant RawMain(long id, const char* field) { return Raw(zl::ZLT_MAIN, id, field); }
  void SetRaw(zl::ZLFixedTable table, long id, const char* field, const COleVariant& value) {
    zl::CHandleLock lock(m_hDB);
    COleVariant key(static_cast<int32_t>(id));
    ASSERT_TRUE(Rs(lock, table).Seek("=", &key));
    Rs(lock, table).Edit();
    Rs(lock, table).SetFieldValue(field, value);
    Rs(lock, table).Update();
  }
  long RowCount(zl::ZLFixedTable table) {
    zl::CHandleLock lock(m_hDB);
    return Rs(lock, table).GetRecordCount();
  }
  // The stored text of a resource ID in a language, or "<none>".
  std::string StoredText(const COleVariant& resourceID, WORD language) {
    zl::CHandleLock lock(m_hDB);
    CZLRecordset* strings =
        lock.Record().languages->resource[zl::ZLR_STRINGTAB].FindRecordset(language);
    COleVariant key = resourceID;
    if (strings == nullptr || !strings->Seek("=", &key)) return "<none>";
    const COleVariant text = strings->GetFieldValue("TEXT");
    return V_BSTRT(&text);
  }
  // Sets the layout stamp to an old date, so that a renewal shows.
  void AgeLayoutStamp() {
    zl::CHandleLock lock(m_hDB);
    const COleVariant old(COleDateTime(2001, 2, 3, 4, 5, 6));
    zl::WriteDbInfoField(lock.Record(), "LASTLAYOUTCHANGE", &old);
  }
  bool LayoutStampRenewed() {
    zl::CHandleLock lock(m_hDB);
    const COleDateTime stamp(zl::ReadDbInfoField(lock.Record(), "LASTLAYOUTCHANGE"));
    return stamp != COleDateTime(2001, 2, 3, 4, 5, 6);
  }
  // A bookmark of a new record in another open database.
  COleVariant ForeignBookmark() {
    if (m_other == nullptr) m_other = ZLCreateDatabase(m_dir.File("other.zdb").c_str());
    COleVariant bookmark;
    EXPECT_EQ(ZLCreateNewRecord(m_other, bookmark), 1);
    return bookmark;
  }
  void Reopen() {
    CloseLibrary();
    m_hDB = ZLOpenDatabase(m_path.c_str(), eOpenReadWriteNoLogin);
    ASSERT_NE(m_hDB, nullptr);
  }

  void* m_other = nullptr;
};

#endif  // ZLDBCTRL70_TESTS_TREE_ATTRIBUTE_FIXTURE_H_
