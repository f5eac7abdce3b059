// A fresh library with helpers that read and write rows through the engine
// directly, so that tests of record attributes check the stored state
// without going through the code under test.
#ifndef ZLDBCTRL70_TESTS_TREE_ATTRIBUTE_FIXTURE_H_
#define ZLDBCTRL70_TESTS_TREE_ATTRIBUTE_FIXTURE_H_

#include <gtest/gtest.h>

#include <string>

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

  // A new empty record: its ID (and bookmark).
  long NewRecord(COleVariant* bookmark = nullptr) {
    COleVariant mark;
    EXPECT_EQ(ZLCreateNewRecord(m_hDB, mark), 1);
    long id = 0;
    EXPECT_EQ(ZLGetIDByBookmark(m_hDB, mark, id), 1);
    if (bookmark != nullptr) *bookmark = mark;
    return id;
  }

  // A parameter-set row of the record, written through the engine; its ID.
  long NewParamSet(long recordID) {
    zl::CHandleLock lock(m_hDB);
    CZLRecordset& rs = *lock.Record().recordsets[zl::ZLT_PARAMSET];
    rs.AddNew();
    rs.SetFieldValue("MODEL_ID", COleVariant(static_cast<int32_t>(recordID)));
    rs.Update();
    rs.SetBookmark(rs.GetLastModifiedBookmark());
    return rs.GetFieldValue("PARAM_ID").lVal;
  }

  // A field as stored in the row whose idField (the current index's field)
  // is id; the text "missing" when there is no such row.
  COleVariant Raw(zl::ZLFixedTable table, long id, const char* field) {
    zl::CHandleLock lock(m_hDB);
    CZLRecordset& rs = *lock.Record().recordsets[table];
    COleVariant key(static_cast<int32_t>(id));
    if (!rs.Seek("=", &key)) return COleVariant("missing");
    return rs.GetFieldValue(field);
  }
  COleVariant RawMain(long id, const char* field) { return Raw(zl::ZLT_MAIN, id, field); }

  void SetRaw(zl::ZLFixedTable table, long id, const char* field, const COleVariant& value) {
    zl::CHandleLock lock(m_hDB);
    CZLRecordset& rs = *lock.Record().recordsets[table];
    COleVariant key(static_cast<int32_t>(id));
    ASSERT_TRUE(rs.Seek("=", &key));
    rs.Edit();
    rs.SetFieldValue(field, value);
    rs.Update();
  }

  long RowCount(zl::ZLFixedTable table) {
    zl::CHandleLock lock(m_hDB);
    return lock.Record().recordsets[table]->GetRecordCount();
  }

  // A text of a resource ID as stored in a language's string table, or
  // "<none>" when the table has no row for it.
  std::string StoredText(const COleVariant& resourceID, WORD language) {
    zl::CHandleLock lock(m_hDB);
    zl::ZLLanguageMaps& maps = *lock.Record().languages;
    CZLRecordset* strings = maps.resource[zl::ZLR_STRINGTAB].FindRecordset(language);
    if (strings == nullptr) return "<no table>";
    COleVariant key = resourceID;
    if (!strings->Seek("=", &key)) return "<none>";
    const COleVariant text = strings->GetFieldValue("TEXT");
    return text.vt == VT_NULL ? "<null>" : V_BSTRT(&text);
  }

  void AddLanguage(WORD language) { ASSERT_EQ(ZLAddResourceTable(m_hDB, language), 1); }

  // The layout change stamp is put back to a fixed old date, so that a
  // renewal shows as a change.
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

  // A handle that was valid once and is closed now.
  void* ClosedHandle() {
    void* other = ZLCreateDatabase(m_dir.File("closed.zdb").c_str());
    EXPECT_NE(other, nullptr);
    EXPECT_EQ(ZLCloseDatabase(other), 1);
    return other;
  }
  // A bookmark of another open database, closed when the test ends.
  COleVariant ForeignBookmark() {
    if (m_other == nullptr) m_other = ZLCreateDatabase(m_dir.File("other.zdb").c_str());
    EXPECT_NE(m_other, nullptr);
    COleVariant bookmark;
    EXPECT_EQ(ZLCreateNewRecord(m_other, bookmark), 1);
    return bookmark;
  }

  void* m_other = nullptr;
};

#endif  // ZLDBCTRL70_TESTS_TREE_ATTRIBUTE_FIXTURE_H_
