// Tree links, the root search and record paths: which column each link
// operation touches, NULL for 0, the layout stamp, the codes callers see,
// and walks over broken trees (cycles, dangling links) that must end.
#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

#include "frame/dbinfo.h"
#include "schema/zl_recordset.h"
#include "support/library_fixture.h"
#include "tree/record_routines.h"

namespace {

using zl::CHandleLock;

class TreeTest : public LibraryTest {
 protected:
  // A new empty record; its ID.
  long NewRecord() {
    COleVariant bookmark;
    EXPECT_EQ(ZLCreateNewRecord(m_hDB, bookmark), 1);
    long id = 0;
    EXPECT_EQ(ZLGetIDByBookmark(m_hDB, bookmark, id), 1);
    return id;
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
  // A link column as stored, read through the engine.
  COleVariant Column(long id, const char* field) {
    CHandleLock lock(m_hDB);
    CZLRecordset& main = *lock.Record().recordsets[zl::ZLT_MAIN];
    COleVariant key(static_cast<int32_t>(id));
    if (!main.Seek("=", &key)) return COleVariant("missing");
    return main.GetFieldValue(field);
  }
  void SetTitle(long id, WORD language, const char* text) {
    CHandleLock lock(m_hDB);
    zl::ZLHandleRecord& record = lock.Record();
    ASSERT_EQ(zl::SetLangTextByID(record, *record.recordsets[zl::ZLT_MAIN], "MODEL_ID", id,
                                  language, "TITLE", COleVariant(text)),
              0);
  }
  // Puts child under parent as its only or next child; sets every link the
  // way a caller inserting the record would.
  void Append(long parent, long child) {
    long last = 0;
    if (ZLGetFirstChildByID(m_hDB, parent, last) == 0) {
      ASSERT_EQ(ZLSetFirstChildByID(m_hDB, parent, child), 1);
    } else {
      long next = 0;
      while (ZLGetNextByID(m_hDB, last, next) == 1) last = next;
      ASSERT_EQ(ZLSetNextByID(m_hDB, last, child), 1);
      ASSERT_EQ(ZLSetPrevByID(m_hDB, child, last), 1);
    }
    ASSERT_EQ(ZLSetParentByID(m_hDB, child, parent), 1);
  }
  long RootID() {
    COleVariant bookmark;
    if (ZLGetRootBookmark(m_hDB, bookmark) != 1) return -1;
    long id = 0;
    EXPECT_EQ(ZLGetIDByBookmark(m_hDB, bookmark, id), 1);
    return id;
  }
  void SetLayoutStamp(const COleDateTime& when) {
    CHandleLock lock(m_hDB);
    const COleVariant value(when);
    zl::WriteDbInfoField(lock.Record(), "LASTLAYOUTCHANGE", &value);
  }
  COleDateTime LayoutStamp() {
    COleDateTime when;
    EXPECT_EQ(ZLGetLastLayoutChangeDate(m_hDB, when), 1);
    return when;
  }
  // A handle that was valid once and is closed now.
  void* ClosedHandle() {
    void* other = ZLCreateDatabase(m_dir.File("closed.zdb").c_str());
    EXPECT_NE(other, nullptr);
    EXPECT_EQ(ZLCloseDatabase(other), 1);
    return other;
  }
  // A bookmark of another open database (closed again when the test ends).
  COleVariant ForeignBookmark() {
    m_other = ZLCreateDatabase(m_dir.File("other.zdb").c_str());
    EXPECT_NE(m_other, nullptr);
    COleVariant bookmark;
    EXPECT_EQ(ZLCreateNewRecord(m_other, bookmark), 1);
    return bookmark;
  }
  void TearDown() override {
    if (m_other != nullptr) {
      EXPECT_EQ(ZLCloseDatabase(m_other), 1);
    }
    LibraryTest::TearDown();
  }

  void* m_other = nullptr;
};

// ---- link getters and setters ----

using LinkGetByID = int (*)(void*, long, long&);
using LinkSetByID = int (*)(void*, long, long);
using LinkGetByBookmark = int (*)(void*, const COleVariant&, long&);
using LinkSetByBookmark = int (*)(void*, const COleVariant&, long);

struct LinkOps {
  const char* field;
  LinkGetByID getByID;
  LinkSetByID setByID;
  LinkGetByBookmark getByBookmark;
  LinkSetByBookmark setByBookmark;
};

const LinkOps kLinks[] = {
    {"PARENT", ZLGetParentByID, ZLSetParentByID, ZLGetParentByBookmark, ZLSetParentByBookmark},
    {"FIRSTCHILD", ZLGetFirstChildByID, ZLSetFirstChildByID, ZLGetFirstChildByBookmark,
     ZLSetFirstChildByBookmark},
    {"PREV", ZLGetPrevByID, ZLSetPrevByID, ZLGetPrevByBookmark, ZLSetPrevByBookmark},
    {"NEXT", ZLGetNextByID, ZLSetNextByID, ZLGetNextByBookmark, ZLSetNextByBookmark},
};

using LinkTest = TreeTest;

TEST_F(LinkTest, EachOperationWritesAndReadsItsOwnColumn) {
  const long id = NewRecord();
  const long other = NewRecord();
  // Distinct values per field and per form, so a mixed-up column shows.
  for (size_t i = 0; i < std::size(kLinks); ++i) {
    const LinkOps& ops = kLinks[i];
    SCOPED_TRACE(ops.field);
    const long byID = 100 + static_cast<long>(i);
    ASSERT_EQ(ops.setByID(m_hDB, id, byID), 1);
    const long byBookmark = 200 + static_cast<long>(i);
    ASSERT_EQ(ops.setByBookmark(m_hDB, BookmarkOf(other), byBookmark), 1);
    EXPECT_EQ(Column(id, ops.field).lVal, byID);
    EXPECT_EQ(Column(other, ops.field).lVal, byBookmark);
  }
  for (size_t i = 0; i < std::size(kLinks); ++i) {
    const LinkOps& ops = kLinks[i];
    SCOPED_TRACE(ops.field);
    long value = 0;
    ASSERT_EQ(ops.getByID(m_hDB, id, value), 1);
    EXPECT_EQ(value, 100 + static_cast<long>(i));
    EXPECT_EQ(ZLGetLastError(), ZLE_OK);
    ASSERT_EQ(ops.getByBookmark(m_hDB, BookmarkOf(other), value), 1);
    EXPECT_EQ(value, 200 + static_cast<long>(i));
  }
}

TEST_F(LinkTest, ZeroStoresNullAndTheGetterReportsAnEmptyLink) {
  const long id = NewRecord();
  for (const LinkOps& ops : kLinks) {
    SCOPED_TRACE(ops.field);
    ASSERT_EQ(ops.setByID(m_hDB, id, 42), 1);
    ASSERT_EQ(ops.setByID(m_hDB, id, 0), 1);
    EXPECT_EQ(Column(id, ops.field).vt, VT_NULL);
    long value = 77;
    EXPECT_EQ(ops.getByID(m_hDB, id, value), 0);
    EXPECT_EQ(ZLGetLastError(), ZLE_NULL_VALUE);
    EXPECT_EQ(value, 77);

    ASSERT_EQ(ops.setByBookmark(m_hDB, BookmarkOf(id), 43), 1);
    ASSERT_EQ(ops.setByBookmark(m_hDB, BookmarkOf(id), 0), 1);
    EXPECT_EQ(Column(id, ops.field).vt, VT_NULL);
    EXPECT_EQ(ops.getByBookmark(m_hDB, BookmarkOf(id), value), 0);
    EXPECT_EQ(ZLGetLastError(), ZLE_NULL_VALUE);
  }
}

TEST_F(LinkTest, MissingRecordBadBookmarkAndBadHandleGiveTheirCodes) {
  const long id = NewRecord();
  const COleVariant foreign = ForeignBookmark();
  void* closed = ClosedHandle();
  for (const LinkOps& ops : kLinks) {
    SCOPED_TRACE(ops.field);
    long value = 0;
    EXPECT_EQ(ops.getByID(m_hDB, id + 1000, value), 0);
    EXPECT_EQ(ZLGetLastError(), ZLE_NO_RECORD);
    EXPECT_EQ(ops.setByID(m_hDB, id + 1000, id), 0);
    EXPECT_EQ(ZLGetLastError(), ZLE_NO_RECORD);
    EXPECT_EQ(ops.getByBookmark(m_hDB, foreign, value), 0);
    EXPECT_EQ(ZLGetLastError(), ZLE_BAD_BOOKMARK);
    EXPECT_EQ(ops.setByBookmark(m_hDB, foreign, id), 0);
    EXPECT_EQ(ZLGetLastError(), ZLE_BAD_BOOKMARK);
    EXPECT_EQ(ops.getByID(closed, id, value), 0);
    EXPECT_EQ(ZLGetLastError(), ZLE_BAD_HANDLE);
    EXPECT_EQ(ops.setByID(closed, id, id), 0);
    EXPECT_EQ(ZLGetLastError(), ZLE_BAD_HANDLE);
  }
  // The foreign database's row was not written through our handle.
  long value = 0;
  EXPECT_EQ(ZLGetParentByBookmark(m_other, foreign, value), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_NULL_VALUE);
}

TEST_F(LinkTest, OnlySuccessfulSettersRenewTheLayoutStamp) {
  const long id = NewRecord();
  const COleVariant foreign = ForeignBookmark();
  const COleDateTime old(2001, 2, 3, 4, 5, 6);
  for (const LinkOps& ops : kLinks) {
    SCOPED_TRACE(ops.field);
    SetLayoutStamp(old);
    EXPECT_EQ(ops.setByID(m_hDB, id + 1000, id), 0);
    EXPECT_EQ(ops.setByBookmark(m_hDB, foreign, id), 0);
    long value = 0;
    ops.getByID(m_hDB, id, value);
    EXPECT_EQ(LayoutStamp(), old);

    ASSERT_EQ(ops.setByID(m_hDB, id, 5), 1);
    EXPECT_GT(LayoutStamp(), old);
    SetLayoutStamp(old);
    ASSERT_EQ(ops.setByBookmark(m_hDB, BookmarkOf(id), 0), 1);
    EXPECT_GT(LayoutStamp(), old);
  }
}

TEST_F(LinkTest, SettersLeavePartnerRecordsAlone) {
  const long parent = NewRecord();
  const long child = NewRecord();
  ASSERT_EQ(ZLSetParentByID(m_hDB, child, parent), 1);
  ASSERT_EQ(ZLSetNextByID(m_hDB, child, 9999), 1);  // names no record: written anyway
  long value = 0;
  EXPECT_EQ(ZLGetFirstChildByID(m_hDB, parent, value), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_NULL_VALUE);
  ASSERT_EQ(ZLGetNextByID(m_hDB, child, value), 1);
  EXPECT_EQ(value, 9999);
}

// ---- root search ----

using RootTest = TreeTest;

TEST_F(RootTest, EmptyTreeHasNoRoot) {
  COleVariant bookmark("untouched");
  EXPECT_EQ(ZLGetRootBookmark(m_hDB, bookmark), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_NO_RECORD);
  EXPECT_EQ(ZLGetRootBookmark(ClosedHandle(), bookmark), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_BAD_HANDLE);
}

TEST_F(RootTest, FoundFromADeepFirstRecord) {
  // IDs in creation order; the smallest, a, sits two levels down.
  const std::vector<long> ids = NewRecords(5);
  const long a = ids[0], b = ids[1], c = ids[2], d = ids[3], e = ids[4];
  // Top level: c, d.  d holds b, b holds a and e.
  ASSERT_EQ(ZLSetNextByID(m_hDB, c, d), 1);
  ASSERT_EQ(ZLSetPrevByID(m_hDB, d, c), 1);
  Append(d, b);
  Append(b, a);
  Append(b, e);
  EXPECT_EQ(RootID(), c);
  EXPECT_EQ(ZLGetLastError(), ZLE_OK);
}

TEST_F(RootTest, DanglingLinksEndTheSearchAtTheLastRealRecord) {
  const std::vector<long> ids = NewRecords(3);
  ASSERT_EQ(ZLSetParentByID(m_hDB, ids[0], ids[1]), 1);
  ASSERT_EQ(ZLSetParentByID(m_hDB, ids[1], 5000), 1);  // a parent that was deleted
  ASSERT_EQ(ZLSetPrevByID(m_hDB, ids[1], ids[2]), 1);
  ASSERT_EQ(ZLSetPrevByID(m_hDB, ids[2], 6000), 1);
  EXPECT_EQ(RootID(), ids[2]);
}

TEST_F(RootTest, CyclesFailInsteadOfHanging) {
  const std::vector<long> ids = NewRecords(3);
  // PARENT cycle through the first record.
  ASSERT_EQ(ZLSetParentByID(m_hDB, ids[0], ids[1]), 1);
  ASSERT_EQ(ZLSetParentByID(m_hDB, ids[1], ids[0]), 1);
  COleVariant bookmark;
  EXPECT_EQ(ZLGetRootBookmark(m_hDB, bookmark), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_ENGINE);

  // A record that is its own parent.
  ASSERT_EQ(ZLSetParentByID(m_hDB, ids[1], ids[1]), 1);
  EXPECT_EQ(ZLGetRootBookmark(m_hDB, bookmark), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_ENGINE);

  // A PREV cycle on the top level.
  ASSERT_EQ(ZLSetParentByID(m_hDB, ids[1], 0), 1);
  ASSERT_EQ(ZLSetPrevByID(m_hDB, ids[1], ids[2]), 1);
  ASSERT_EQ(ZLSetPrevByID(m_hDB, ids[2], ids[1]), 1);
  EXPECT_EQ(ZLGetRootBookmark(m_hDB, bookmark), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_ENGINE);

  ASSERT_EQ(ZLSetPrevByID(m_hDB, ids[2], 0), 1);
  EXPECT_EQ(RootID(), ids[2]);
}

// ---- paths ----

class PathTest : public TreeTest {
 protected:
  void SetUp() override {
    TreeTest::SetUp();
    ASSERT_EQ(ZLAddResourceTable(m_hDB, 1033), 1);
    ASSERT_EQ(ZLAddResourceTable(m_hDB, 1031), 1);
  }
  std::string Path(long id, LANGID language) {
    CString path("stale");
    if (ZLGetPathByID(m_hDB, id, language, path) != 1) return "failed";
    return path.GetString();
  }
};

TEST_F(PathTest, AncestorsFromTheTopDownInTheAskedLanguage) {
  const std::vector<long> ids = NewRecords(4);
  const long top = ids[3], folder = ids[1], sub = ids[2], model = ids[0];
  Append(top, folder);
  Append(folder, sub);
  Append(sub, model);
  SetTitle(top, 1033, "Library");
  SetTitle(top, 1031, "Bibliothek");
  SetTitle(folder, 1033, "Diodes");
  SetTitle(folder, 1031, "Dioden");
  SetTitle(sub, 1033, "Zener");
  SetTitle(sub, 1031, "Z-Dioden");
  SetTitle(model, 1033, "ZPD5V1");

  EXPECT_EQ(Path(model, 1033), "\\\\Library\\\\Diodes\\\\Zener");
  EXPECT_EQ(ZLGetLastError(), ZLE_NULL_VALUE);  // the climb ended at a top-level record
  EXPECT_EQ(Path(model, 1031), "\\\\Bibliothek\\\\Dioden\\\\Z-Dioden");
  EXPECT_EQ(Path(folder, 1033), "\\\\Library");

  CString path;
  ASSERT_EQ(ZLGetPathByBookmark(m_hDB, BookmarkOf(sub), 1031, path), 1);
  EXPECT_STREQ(path.GetString(), "\\\\Bibliothek\\\\Dioden");
}

TEST_F(PathTest, TopLevelAndMissingRecords) {
  const long top = NewRecord();
  EXPECT_EQ(Path(top, 1033), "");
  EXPECT_EQ(ZLGetLastError(), ZLE_NULL_VALUE);
  EXPECT_EQ(Path(top + 500, 1033), "");
  EXPECT_EQ(ZLGetLastError(), ZLE_NO_RECORD);
}

TEST_F(PathTest, TitlesThatCannotBeReadBecomeThreeSpaces) {
  const std::vector<long> ids = NewRecords(5);
  // ids[0] under ids[1] (no title at all) under ids[2] (empty title) under
  // ids[3] (German title only) under ids[4] ("Top").
  for (int i = 0; i < 4; ++i) Append(ids[i + 1], ids[i]);
  SetTitle(ids[2], 1033, "");
  SetTitle(ids[3], 1031, "Nur deutsch");
  SetTitle(ids[4], 1033, "Top");
  EXPECT_EQ(Path(ids[0], 1033), "\\\\Top\\\\   \\\\   \\\\   ");
  // A language without any string table.
  EXPECT_EQ(Path(ids[0], 1036), "\\\\   \\\\   \\\\   \\\\   ");
}

TEST_F(PathTest, DanglingParentEndsThePathWithElevenLeft) {
  const std::vector<long> ids = NewRecords(2);
  Append(ids[1], ids[0]);
  SetTitle(ids[1], 1033, "Folder");
  ASSERT_EQ(ZLSetParentByID(m_hDB, ids[1], 7777), 1);
  EXPECT_EQ(Path(ids[0], 1033), "\\\\   \\\\Folder");
  EXPECT_EQ(ZLGetLastError(), ZLE_NO_RECORD);
}

TEST_F(PathTest, ParentCycleFailsWithAnEmptyPath) {
  const std::vector<long> ids = NewRecords(3);
  ASSERT_EQ(ZLSetParentByID(m_hDB, ids[0], ids[1]), 1);
  ASSERT_EQ(ZLSetParentByID(m_hDB, ids[1], ids[2]), 1);
  ASSERT_EQ(ZLSetParentByID(m_hDB, ids[2], ids[1]), 1);
  CString path("stale");
  EXPECT_EQ(ZLGetPathByID(m_hDB, ids[0], 1033, path), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_ENGINE);
  EXPECT_TRUE(path.IsEmpty());
  path = "stale";
  EXPECT_EQ(ZLGetPathByBookmark(m_hDB, BookmarkOf(ids[2]), 1033, path), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_ENGINE);
  EXPECT_TRUE(path.IsEmpty());
}

TEST_F(PathTest, BookmarkFailuresLeaveThePathAlone) {
  const COleVariant foreign = ForeignBookmark();
  CString path("kept");
  EXPECT_EQ(ZLGetPathByBookmark(m_hDB, foreign, 1033, path), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_BAD_BOOKMARK);
  EXPECT_STREQ(path.GetString(), "kept");
  EXPECT_EQ(ZLGetPathByID(ClosedHandle(), 1, 1033, path), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_BAD_HANDLE);
}

// A chain deeper than a walk goes before it counts the rows: the bound must
// allow every real step and still stop the cycle.
TEST_F(PathTest, DeepChainsAreWalkedWholeAndTheirCyclesStopped) {
  constexpr int kDepth = 90;
  const std::vector<long> ids = NewRecords(kDepth);
  // ids[0], the smallest ID, is the deepest; ids[kDepth - 1] the top.
  for (int i = 0; i + 1 < kDepth; ++i) {
    ASSERT_EQ(ZLSetParentByID(m_hDB, ids[i], ids[i + 1]), 1);
  }
  SetTitle(ids[kDepth - 1], 1033, "T");
  std::string expected = "\\\\T";
  for (int i = 0; i < kDepth - 2; ++i) expected += "\\\\   ";
  EXPECT_EQ(Path(ids[0], 1033), expected);
  EXPECT_EQ(RootID(), ids[kDepth - 1]);

  ASSERT_EQ(ZLSetParentByID(m_hDB, ids[kDepth - 1], ids[0]), 1);
  COleVariant bookmark;
  EXPECT_EQ(ZLGetRootBookmark(m_hDB, bookmark), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_ENGINE);
  EXPECT_EQ(Path(ids[0], 1033), "failed");
  EXPECT_EQ(ZLGetLastError(), ZLE_ENGINE);
}

}  // namespace
