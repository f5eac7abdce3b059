// The record routines and the ID/bookmark operations: positioning by ID
// after the recordset has moved or lost its row, PARAMSET by its own ID,
// NULL fields, foreign and stale bookmarks, all bookmarks in ID order,
// freeing, and rows written by another process.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/faults.h"
#include "support/child_process.h"
#include "tree/attribute_fixture.h"
#include "tree/record_routines.h"

namespace {

using zl::engine::CFaultInjector;
using zl::engine::CFaultScope;
using zl::engine::FaultKind;
using CBookmarks = CTypedPtrArray<CPtrArray, COleVariant*>;

ZL_CHILD_ACTION(RoutinesRenameRecord) {
  void* other = ZLOpenDatabase(args.at(0).c_str(), eOpenReadWriteNoLogin);
  if (other == nullptr) return 1;
  const int written = ZLSetDefNameByID(other, std::stol(args.at(1)), args.at(2).c_str());
  return ZLCloseDatabase(other) == 1 && written == 1 ? 0 : 2;
}

class RecordRoutineTest : public AttributeFixture {
 protected:
  CZLRecordset& Main(zl::CHandleLock& lock) { return *lock.Record().recordsets[zl::ZLT_MAIN]; }

  // Deletes a MAIN row through the engine, leaving MAIN without a current
  // row.
  void DeleteRow(long id) {
    zl::CHandleLock lock(m_hDB);
    COleVariant key(static_cast<int32_t>(id));
    ASSERT_TRUE(Main(lock).Seek("=", &key));
    Main(lock).Delete();
  }
  std::vector<long> IDsOf(const CBookmarks& bookmarks) {
    std::vector<long> ids;
    for (int i = 0; i < bookmarks.GetSize(); ++i) {
      long id = 0;
      EXPECT_EQ(ZLGetIDByBookmark(m_hDB, *bookmarks[i], id), 1);
      ids.push_back(id);
    }
    return ids;
  }
};

// ---- positioning by ID ----

TEST_F(RecordRoutineTest, SeekingByIDFindsEachRowWhereverTheRecordsetStands) {
  const long a = NewRecord();
  const long b = NewRecord();
  ASSERT_EQ(ZLSetDefNameByID(m_hDB, a, "A"), 1);
  ASSERT_EQ(ZLSetDefNameByID(m_hDB, b, "B"), 1);
  zl::CHandleLock lock(m_hDB);
  for (long id : {a, a, b, a, b, b}) {
    COleVariant value;
    ASSERT_EQ(zl::GetFieldByID(lock.Record(), Main(lock), "MODEL_ID", id, "DEFNAME", value), 0);
    EXPECT_STREQ(V_BSTRT(&value), id == a ? "A" : "B");
  }
  EXPECT_EQ(zl::SeekByID(lock.Record(), Main(lock), "MODEL_ID", b + 1), ZLE_NO_RECORD);
  EXPECT_EQ(zl::SeekByID(lock.Record(), Main(lock), "MODEL_ID", 0), ZLE_NO_RECORD);
}

TEST_F(RecordRoutineTest, ARowDeletedUnderTheRecordsetIsMissingNotStale) {
  const long a = NewRecord();
  const long b = NewRecord();
  ASSERT_EQ(ZLSetDefNameByID(m_hDB, b, "B"), 1);  // MAIN now stands on b
  DeleteRow(b);
  CString name;
  EXPECT_EQ(ZLGetDefNameByID(m_hDB, b, name), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_NO_RECORD);
  EXPECT_EQ(ZLSetDefNameByID(m_hDB, b, "ghost"), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_NO_RECORD);
  EXPECT_EQ(ZLSetDefNameByID(m_hDB, a, "A"), 1);
  EXPECT_EQ(RowCount(zl::ZLT_MAIN), 1);
}

TEST_F(RecordRoutineTest, NullFieldsGiveTenWithTheNullInTheValue) {
  const long id = NewRecord();
  zl::CHandleLock lock(m_hDB);
  COleVariant value("before");
  EXPECT_EQ(zl::GetFieldByID(lock.Record(), Main(lock), "MODEL_ID", id, "USES", value),
            ZLE_NULL_VALUE);
  EXPECT_EQ(value.vt, VT_NULL);
  // Writing a NULL variant clears a field again.
  ASSERT_EQ(zl::SetFieldByID(lock.Record(), Main(lock), "MODEL_ID", id, "USES",
                             COleVariant("x")),
            0);
  COleVariant null;
  null.SetNull();
  ASSERT_EQ(zl::SetFieldByID(lock.Record(), Main(lock), "MODEL_ID", id, "USES", null), 0);
  EXPECT_EQ(zl::GetFieldByID(lock.Record(), Main(lock), "MODEL_ID", id, "USES", value),
            ZLE_NULL_VALUE);
}

TEST_F(RecordRoutineTest, ParameterSetsAreFoundByTheirOwnIDNotTheRecords) {
  const long record = NewRecord();
  const long first = NewParamSet(record);
  const long second = NewParamSet(record);
  SetRaw(zl::ZLT_PARAMSET, first, "AUTHOR", COleVariant("first"));
  SetRaw(zl::ZLT_PARAMSET, second, "AUTHOR", COleVariant("second"));
  zl::CHandleLock lock(m_hDB);
  CZLRecordset& paramSets = *lock.Record().recordsets[zl::ZLT_PARAMSET];
  COleVariant value;
  ASSERT_EQ(zl::GetFieldByID(lock.Record(), paramSets, "PARAM_ID", second, "AUTHOR", value), 0);
  EXPECT_STREQ(V_BSTRT(&value), "second");
  ASSERT_EQ(zl::GetFieldByID(lock.Record(), paramSets, "PARAM_ID", first, "AUTHOR", value), 0);
  EXPECT_STREQ(V_BSTRT(&value), "first");
  EXPECT_EQ(zl::SeekByID(lock.Record(), paramSets, "PARAM_ID", second + 1), ZLE_NO_RECORD);
}

TEST_F(RecordRoutineTest, WritesOfAnotherProcessAreSeen) {
  const long id = NewRecord();
  ASSERT_EQ(ZLSetDefNameByID(m_hDB, id, "ours"), 1);
  CString name;
  ASSERT_EQ(ZLGetDefNameByID(m_hDB, id, name), 1);
  ASSERT_EQ(zltest::RunChild("RoutinesRenameRecord", {m_path, std::to_string(id), "theirs"}), 0);
  ASSERT_EQ(ZLGetDefNameByID(m_hDB, id, name), 1);
  EXPECT_STREQ(name, "theirs");
}

// ---- bookmarks ----

using BookmarkRoutineTest = RecordRoutineTest;

TEST_F(BookmarkRoutineTest, IDsAndBookmarksConvertBothWays) {
  const long a = NewRecord();
  const long b = NewRecord();
  for (long id : {a, b, b, a}) {
    COleVariant bookmark;
    ASSERT_EQ(ZLGetBookmarkByID(m_hDB, id, bookmark), 1);
    long back = 0;
    ASSERT_EQ(ZLGetIDByBookmark(m_hDB, bookmark, back), 1);
    EXPECT_EQ(back, id);
  }
  COleVariant bookmark("untouched");
  EXPECT_EQ(ZLGetBookmarkByID(m_hDB, b + 10, bookmark), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_NO_RECORD);
  EXPECT_EQ(bookmark, COleVariant("untouched"));
}

TEST_F(BookmarkRoutineTest, ForeignGarbageAndStaleBookmarksGiveEight) {
  COleVariant mine;
  const long id = NewRecord(&mine);
  COleVariant gone;
  const long goneID = NewRecord(&gone);
  DeleteRow(goneID);
  for (const COleVariant& bookmark : {ForeignBookmark(), COleVariant("x"), gone}) {
    long result = -1;
    EXPECT_EQ(ZLGetIDByBookmark(m_hDB, bookmark, result), 0);
    EXPECT_EQ(ZLGetLastError(), ZLE_BAD_BOOKMARK);
    EXPECT_EQ(result, -1);
  }
  long result = 0;
  ASSERT_EQ(ZLGetIDByBookmark(m_hDB, mine, result), 1);
  EXPECT_EQ(result, id);
  EXPECT_EQ(ZLGetIDByBookmark(ClosedHandle(), mine, result), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_BAD_HANDLE);
}

TEST_F(BookmarkRoutineTest, AllBookmarksComeInAscendingIDOrderIntoAnEmptiedArray) {
  CBookmarks bookmarks;
  bookmarks.Add(new COleVariant("left over"));
  ASSERT_EQ(ZLGetAllBookmarks(m_hDB, bookmarks), 1);
  EXPECT_EQ(bookmarks.GetSize(), 0);

  std::vector<long> ids;
  for (int i = 0; i < 5; ++i) ids.push_back(NewRecord());
  DeleteRow(ids[2]);
  ids.erase(ids.begin() + 2);
  // Positions the recordset somewhere in the middle first.
  ASSERT_EQ(ZLSetDefNameByID(m_hDB, ids[3], "last"), 1);
  bookmarks.Add(new COleVariant("left over"));
  ASSERT_EQ(ZLGetAllBookmarks(m_hDB, bookmarks), 1);
  EXPECT_EQ(IDsOf(bookmarks), ids);
  ZLFreeBookmarkArray(bookmarks);
}

TEST_F(BookmarkRoutineTest, AFailedCollectionLeavesTheArrayEmpty) {
  for (int i = 0; i < 4; ++i) NewRecord();
  CFaultScope faults;
  // Each bookmark is an allocation; the third one fails.
  CFaultInjector::FailNth(FaultKind::kAllocation, 3);
  CBookmarks bookmarks;
  EXPECT_EQ(ZLGetAllBookmarks(m_hDB, bookmarks), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_OUT_OF_MEMORY);
  EXPECT_EQ(bookmarks.GetSize(), 0);
}

TEST_F(BookmarkRoutineTest, FreeingSkipsNullElements) {
  CBookmarks bookmarks;
  bookmarks.Add(new COleVariant("a"));
  bookmarks.Add(nullptr);
  bookmarks.Add(new COleVariant(int32_t{3}));
  ZLFreeBookmarkArray(bookmarks);
  EXPECT_EQ(bookmarks.GetSize(), 0);
  ZLFreeBookmarkArray(bookmarks);
  EXPECT_EQ(bookmarks.GetSize(), 0);
}

}  // namespace
