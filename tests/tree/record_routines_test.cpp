// The record routines and the ID/bookmark operations: positioning by ID
// wherever the recordset stands (or after its row was deleted), parameter
// sets by their own ID, NULL fields, foreign and stale bookmarks, all
// bookmarks in ID order (rows written by another process: the reads of
// tests/tree/transactions_test.cpp).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/faults.h"
#include "tree/attribute_fixture.h"
#include "tree/row_target.h"

namespace {

using zl::engine::CFaultInjector;
using zl::engine::CFaultScope;
using zl::engine::FaultKind;
using CBookmarks = CTypedPtrArray<CPtrArray, COleVariant*>;

class RecordRoutineTest : public AttributeFixture {
 protected:
  void DeleteRow(long id) {
    zl::CHandleLock lock(m_hDB);
    COleVariant key(static_cast<int32_t>(id));
    ASSERT_TRUE(Rs(lock, zl::ZLT_MAIN).Seek("=", &key));
    Rs(lock, zl::ZLT_MAIN).Delete();  // MAIN is left without a current row
  }
};

TEST_F(RecordRoutineTest, RowsAreFoundByIDWhereverTheRecordsetStands) {
  const long a = NewRecord(), b = NewRecord(), gone = NewRecord();
  const long paramSets[] = {NewParamSet(a), NewParamSet(a)};
  SetRaw(zl::ZLT_PARAMSET, paramSets[1], "AUTHOR", COleVariant("second"));
  for (long id : {a, b, gone}) {
    SetRaw(zl::ZLT_MAIN, id, "DEFNAME", COleVariant(id == a ? "A" : "B"));
  }
  DeleteRow(gone);
  CString text;
  EXPECT_EQ(FailCode(ZLGetDefNameByID(m_hDB, gone, text)), ZLE_NO_RECORD);
  for (long id : {a, a, b, a, b}) {
    ASSERT_EQ(ZLGetDefNameByID(m_hDB, id, text), 1);
    EXPECT_STREQ(text, id == a ? "A" : "B");
  }
  EXPECT_EQ(FailCode(ZLGetDefNameByID(m_hDB, 0, text)), ZLE_NO_RECORD);
  EXPECT_EQ(FailCode(ZLGetUsesByID(m_hDB, a, text)), ZLE_NULL_VALUE);
  // Parameter sets by their own ID.
  ASSERT_EQ(ZLGetModifiedUserByID(m_hDB, b, text, paramSets[1]), 1);
  EXPECT_STREQ(text, "second");
  EXPECT_EQ(FailCode(ZLGetModifiedUserByID(m_hDB, a, text, paramSets[0])), ZLE_NULL_VALUE);
  EXPECT_EQ(FailCode(ZLGetModifiedUserByID(m_hDB, a, text, a + 100)), ZLE_NO_RECORD);
}

TEST_F(RecordRoutineTest, BookmarksConvertBothWaysAndForeignOrStaleOnesGiveEight) {
  COleVariant gone;
  const long a = NewRecord(), b = NewRecord(), goneID = NewRecord(&gone);
  DeleteRow(goneID);
  for (long id : {a, b, b, a}) {
    COleVariant bookmark;
    long back = 0;
    ASSERT_EQ(ZLGetBookmarkByID(m_hDB, id, bookmark), 1);
    ASSERT_EQ(ZLGetIDByBookmark(m_hDB, bookmark, back), 1);
    EXPECT_EQ(back, id);
  }
  COleVariant bookmark("untouched");
  EXPECT_EQ(FailCode(ZLGetBookmarkByID(m_hDB, goneID, bookmark)), ZLE_NO_RECORD);
  EXPECT_EQ(bookmark, COleVariant("untouched"));
  long id = -1;
  for (const COleVariant& mark : {ForeignBookmark(), COleVariant("x"), gone}) {
    EXPECT_EQ(FailCode(ZLGetIDByBookmark(m_hDB, mark, id)), ZLE_BAD_BOOKMARK);
  }
  EXPECT_EQ(id, -1);
}

TEST_F(RecordRoutineTest, AllBookmarksComeInIDOrderIntoAnEmptiedArray) {
  CBookmarks bookmarks;
  bookmarks.Add(new COleVariant("left over"));
  ASSERT_EQ(ZLGetAllBookmarks(m_hDB, bookmarks), 1);
  EXPECT_EQ(bookmarks.GetSize(), 0);

  std::vector<long> ids;
  for (int i = 0; i < 5; ++i) ids.push_back(NewRecord());
  DeleteRow(ids[2]);
  ids.erase(ids.begin() + 2);
  ASSERT_EQ(ZLSetDefNameByID(m_hDB, ids[3], "last"), 1);  // MAIN stands at the end
  bookmarks.Add(new COleVariant("left over"));
  ASSERT_EQ(ZLGetAllBookmarks(m_hDB, bookmarks), 1);
  std::vector<long> listed;
  for (int i = 0; i < bookmarks.GetSize(); ++i) {
    long id = 0;
    EXPECT_EQ(ZLGetIDByBookmark(m_hDB, *bookmarks[i], id), 1);
    listed.push_back(id);
  }
  EXPECT_EQ(listed, ids);

  bookmarks.Add(nullptr);  // freeing skips null elements
  ZLFreeBookmarkArray(bookmarks);
  EXPECT_EQ(bookmarks.GetSize(), 0);

  CFaultScope faults;  // a bookmark part way cannot be allocated
  CFaultInjector::FailNth(FaultKind::kAllocation, 3);
  EXPECT_EQ(FailCode(ZLGetAllBookmarks(m_hDB, bookmarks)), ZLE_OUT_OF_MEMORY);
  EXPECT_EQ(bookmarks.GetSize(), 0);
}

}  // namespace

namespace {

// The one dispatch from a row reference to a current row: each kind of
// reference lands on its own table and row, each failure has its code and
// hands back no recordset.
TEST_F(RecordRoutineTest, PositionRowFindsEachKindOfReferenceOnItsOwnTable) {
  const long a = NewRecord(), b = NewRecord();
  const long paramSet = NewParamSet(a);
  const COleVariant bookmarkB = BookmarkOf(b);
  const COleVariant foreign(static_cast<int32_t>(12345));
  struct Case {
    const char* what;
    zl::ZLRowRef row;
    int code;
    zl::ZLFixedTable table;
    const char* idField;
    long id;
  };
  const Case cases[] = {
      {"record by ID", zl::ZLRowRef::ByID(a), ZLE_OK, zl::ZLT_MAIN, "MODEL_ID", a},
      {"record by bookmark", zl::ZLRowRef::ByBookmark(bookmarkB), ZLE_OK, zl::ZLT_MAIN, "MODEL_ID",
       b},
      {"parameter set over ID", zl::ZLRowRef::ByID(b, paramSet), ZLE_OK, zl::ZLT_PARAMSET,
       "PARAM_ID", paramSet},
      {"parameter set over bookmark", zl::ZLRowRef::ByBookmark(bookmarkB, paramSet), ZLE_OK,
       zl::ZLT_PARAMSET, "PARAM_ID", paramSet},
      {"missing record", zl::ZLRowRef::ByID(b + 100), ZLE_NO_RECORD, zl::ZLT_MAIN, nullptr, 0},
      {"missing parameter set", zl::ZLRowRef::ByID(a, paramSet + 100), ZLE_NO_RECORD,
       zl::ZLT_PARAMSET, nullptr, 0},
      {"foreign bookmark", zl::ZLRowRef::ByBookmark(foreign), ZLE_BAD_BOOKMARK, zl::ZLT_MAIN,
       nullptr, 0},
  };
  for (const Case& c : cases) {
    for (bool forReading : {true, false}) {
      zl::CHandleLock lock(m_hDB);
      CZLRecordset* rs = &Rs(lock, zl::ZLT_MAIN);
      EXPECT_EQ(zl::PositionRow(lock.Record(), c.row, forReading, rs), c.code) << c.what;
      if (c.code != ZLE_OK) {
        EXPECT_EQ(rs, nullptr) << c.what;
        continue;
      }
      ASSERT_EQ(rs, &Rs(lock, c.table)) << c.what;
      EXPECT_EQ(rs->GetFieldValue(c.idField).lVal, c.id) << c.what;
    }
  }
}

}  // namespace
