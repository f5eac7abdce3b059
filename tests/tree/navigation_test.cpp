// Tree links, the root search and record paths, including walks over broken
// trees (cycles, dangling links) that must end.
#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "tree/attribute_fixture.h"

namespace {

struct LinkOps {
  const char* field;
  int (*getByID)(void*, long, long&);
  int (*setByID)(void*, long, long);
  int (*getByBookmark)(void*, const COleVariant&, long&);
  int (*setByBookmark)(void*, const COleVariant&, long);
};

const LinkOps kLinks[] = {
    {"PARENT", ZLGetParentByID, ZLSetParentByID, ZLGetParentByBookmark, ZLSetParentByBookmark},
    {"FIRSTCHILD", ZLGetFirstChildByID, ZLSetFirstChildByID, ZLGetFirstChildByBookmark,
     ZLSetFirstChildByBookmark},
    {"PREV", ZLGetPrevByID, ZLSetPrevByID, ZLGetPrevByBookmark, ZLSetPrevByBookmark},
    {"NEXT", ZLGetNextByID, ZLSetNextByID, ZLGetNextByBookmark, ZLSetNextByBookmark},
};

class TreeTest : public AttributeFixture {
 protected:
  void SetUp() override {
    AttributeFixture::SetUp();
    for (WORD language : {1033, 1031}) ASSERT_EQ(ZLAddResourceTable(m_hDB, language), 1);
  }
  // Puts child under parent as its only or last child, setting every link
  // the way a caller inserting the record would.
  void Append(long parent, long child) {
    long last = 0;
    if (ZLGetFirstChildByID(m_hDB, parent, last) == 0) {
      ASSERT_EQ(ZLSetFirstChildByID(m_hDB, parent, child), 1);
    } else {
      for (long next = 0; ZLGetNextByID(m_hDB, last, next) == 1;) last = next;
      ASSERT_EQ(ZLSetNextByID(m_hDB, last, child), 1);
      ASSERT_EQ(ZLSetPrevByID(m_hDB, child, last), 1);
    }
    ASSERT_EQ(ZLSetParentByID(m_hDB, child, parent), 1);
  }
  // The root's ID, or minus the code of the failure.
  long RootID() {
    COleVariant bookmark;
    if (ZLGetRootBookmark(m_hDB, bookmark) != 1) return -ZLGetLastError();
    long id = 0;
    EXPECT_EQ(ZLGetIDByBookmark(m_hDB, bookmark, id), 1);
    return id;
  }
  std::string Path(long id, LANGID language) {
    CString path("stale");
    if (ZLGetPathByID(m_hDB, id, language, path) != 1) return path.IsEmpty() ? "failed" : "dirty";
    return path.GetString();
  }
  // The path and then the last error.
  std::string PathCode(long id, LANGID language) {
    const std::string path = Path(id, language);
    return path + "/" + std::to_string(ZLGetLastError());
  }
};

TEST_F(TreeTest, EachLinkUsesItsOwnColumnRawAndZeroStoresNull) {
  COleVariant mark;
  const long id = NewRecord(), other = NewRecord(&mark);
  // Distinct values per link and form, naming no record: written anyway.
  for (long i = 0; i < static_cast<long>(std::size(kLinks)); ++i) {
    SCOPED_TRACE(kLinks[i].field);
    AgeLayoutStamp();
    ASSERT_EQ(kLinks[i].setByID(m_hDB, id, 9000 + i), 1);
    EXPECT_TRUE(LayoutStampRenewed());
    AgeLayoutStamp();
    ASSERT_EQ(kLinks[i].setByBookmark(m_hDB, mark, 9100 + i), 1);
    EXPECT_TRUE(LayoutStampRenewed());
  }
  for (long i = 0; i < static_cast<long>(std::size(kLinks)); ++i) {
    const LinkOps& ops = kLinks[i];
    SCOPED_TRACE(ops.field);
    EXPECT_EQ(RawMain(id, ops.field), COleVariant(static_cast<int32_t>(9000 + i)));
    EXPECT_EQ(RawMain(other, ops.field), COleVariant(static_cast<int32_t>(9100 + i)));
    long value = 0;
    EXPECT_TRUE(ops.getByID(m_hDB, id, value) == 1 && value == 9000 + i);
    EXPECT_EQ(ZLGetLastError(), ZLE_OK);
    EXPECT_TRUE(ops.getByBookmark(m_hDB, mark, value) == 1 && value == 9100 + i);
    ASSERT_TRUE(ops.setByID(m_hDB, id, 0) == 1 && ops.setByBookmark(m_hDB, mark, 0) == 1);
    EXPECT_TRUE(RawMain(id, ops.field).vt == VT_NULL && RawMain(other, ops.field).vt == VT_NULL);
    EXPECT_EQ(FailCode(ops.getByID(m_hDB, id, value)), ZLE_NULL_VALUE);
    EXPECT_EQ(FailCode(ops.getByBookmark(m_hDB, mark, value)), ZLE_NULL_VALUE);
    EXPECT_EQ(value, 9100 + i);
  }
  // A link is written alone: its partner record is left as it was.
  ASSERT_TRUE(ZLSetParentByID(m_hDB, id, other) == 1 && ZLSetNextByID(m_hDB, id, other) == 1);
  for (const LinkOps& ops : kLinks) EXPECT_EQ(RawMain(other, ops.field).vt, VT_NULL);
}

TEST_F(TreeTest, FailuresGiveTheirCodesWriteNothingAndDoNotStamp) {
  const long id = NewRecord();
  const COleVariant foreign = ForeignBookmark();
  AgeLayoutStamp();
  for (const LinkOps& ops : kLinks) {
    SCOPED_TRACE(ops.field);
    long value = -1;
    EXPECT_EQ(FailCode(ops.getByID(m_hDB, id, value)), ZLE_NULL_VALUE);  // getters never stamp
    EXPECT_EQ(FailCode(ops.getByID(m_hDB, id + 1000, value)), ZLE_NO_RECORD);
    EXPECT_EQ(FailCode(ops.setByID(m_hDB, id + 1000, id)), ZLE_NO_RECORD);
    EXPECT_EQ(FailCode(ops.getByBookmark(m_hDB, foreign, value)), ZLE_BAD_BOOKMARK);
    EXPECT_EQ(FailCode(ops.setByBookmark(m_hDB, foreign, id)), ZLE_BAD_BOOKMARK);
    EXPECT_EQ(value, -1);
  }
  EXPECT_FALSE(LayoutStampRenewed());
  long value = 0;  // the foreign row was not written through our handle
  EXPECT_EQ(FailCode(ZLGetParentByBookmark(m_other, foreign, value)), ZLE_NULL_VALUE);

  CString path("kept");
  EXPECT_EQ(FailCode(ZLGetPathByBookmark(m_hDB, foreign, 1033, path)), ZLE_BAD_BOOKMARK);
  EXPECT_EQ(path, "kept");
}

TEST_F(TreeTest, RootIsFoundFromADeepFirstRecordAndDanglingLinksEndTheClimb) {
  COleVariant bookmark("untouched");
  EXPECT_EQ(FailCode(ZLGetRootBookmark(m_hDB, bookmark)), ZLE_NO_RECORD);
  EXPECT_EQ(bookmark, COleVariant("untouched"));
  // Top level: c, d.  d holds b, b holds a and e: a, the smallest ID, is two levels down.
  const std::vector<long> ids = NewRecords(5);
  const long a = ids[0], b = ids[1], c = ids[2], d = ids[3], e = ids[4];
  ASSERT_TRUE(ZLSetNextByID(m_hDB, c, d) == 1 && ZLSetPrevByID(m_hDB, d, c) == 1);
  Append(d, b);
  Append(b, a);
  Append(b, e);
  EXPECT_TRUE(RootID() == c && ZLGetLastError() == ZLE_OK);
  // Links to deleted records end each walk at the last real record.
  ASSERT_TRUE(ZLSetParentByID(m_hDB, d, 5000) == 1 && ZLSetPrevByID(m_hDB, c, 6000) == 1);
  EXPECT_EQ(RootID(), c);
}

// Deeper than a walk goes before it counts the rows: the bound must allow
// every real step and still stop cycles, also those that miss the start.
TEST_F(TreeTest, DeepChainsAreWalkedWholeAndCyclesFailWithNine) {
  constexpr int kDepth = 90;
  const std::vector<long> ids = NewRecords(kDepth);  // ids[0], the smallest, is the deepest
  for (int i = 0; i + 1 < kDepth; ++i) ASSERT_EQ(ZLSetParentByID(m_hDB, ids[i], ids[i + 1]), 1);
  ASSERT_EQ(ZLSetTitleByID(m_hDB, ids[kDepth - 1], 1033, "T", 0), 1);
  std::string expected = "\\\\T";
  for (int i = 0; i < kDepth - 2; ++i) expected += "\\\\   ";
  EXPECT_EQ(Path(ids[0], 1033), expected);
  EXPECT_EQ(RootID(), ids[kDepth - 1]);

  for (long loop : {ids[1], ids[kDepth - 1]}) {  // a long cycle above the start; a self-link
    SCOPED_TRACE(loop);
    ASSERT_EQ(ZLSetParentByID(m_hDB, ids[kDepth - 1], loop), 1);
    EXPECT_EQ(RootID(), -ZLE_ENGINE);
    EXPECT_EQ(PathCode(ids[0], 1033), "failed/9");  // failed and emptied
  }
  CString path("stale");  // emptied on failure
  EXPECT_EQ(FailCode(ZLGetPathByBookmark(m_hDB, BookmarkOf(ids[5]), 1033, path)), ZLE_ENGINE);
  EXPECT_TRUE(path.IsEmpty());

  // A PREV cycle on the top level.
  for (auto [from, to] : {std::pair(ids[kDepth - 1], ids[0]), std::pair(ids[0], ids[kDepth - 1])})
    ASSERT_TRUE(ZLSetParentByID(m_hDB, from, 0) == 1 && ZLSetPrevByID(m_hDB, from, to) == 1);
  EXPECT_EQ(RootID(), -ZLE_ENGINE);
  ASSERT_EQ(ZLSetPrevByID(m_hDB, ids[0], 0), 1);
  EXPECT_EQ(RootID(), ids[0]);
}

TEST_F(TreeTest, PathsListAncestorTitlesTopDownWithSpacesForMissingOnes) {
  // IDs out of tree order: model under untitled under sub under folder under top.
  const std::vector<long> ids = NewRecords(5);
  const long model = ids[0], folder = ids[1], sub = ids[2], top = ids[3], untitled = ids[4];
  const long links[][2] = {{top, folder}, {folder, sub}, {sub, untitled}, {untitled, model}};
  for (const auto& link : links) Append(link[0], link[1]);
  const std::tuple<long, WORD, const char*> titles[] = {
      {top, 1033, "Library"}, {top, 1031, "Bibliothek"}, {folder, 1033, "Diodes"},
      {sub, 1033, ""},        {sub, 1031, "Z-Dioden"},   {model, 1033, "ZPD5V1"}};
  for (const auto& [rec, language, text] : titles)
    ASSERT_EQ(ZLSetTitleByID(m_hDB, rec, language, text, 0), 1);

  // The climb ends at a top-level record with 10.
  EXPECT_EQ(PathCode(model, 1033), "\\\\Library\\\\Diodes\\\\   \\\\   /10");
  EXPECT_EQ(Path(model, 1031), "\\\\Bibliothek\\\\   \\\\Z-Dioden\\\\   ");
  EXPECT_EQ(Path(model, 1036), "\\\\   \\\\   \\\\   \\\\   ");  // no string table
  EXPECT_EQ(Path(folder, 1033), "\\\\Library");
  CString path;
  EXPECT_TRUE(ZLGetPathByBookmark(m_hDB, BookmarkOf(sub), 1031, path) == 1 &&
              path == "\\\\Bibliothek\\\\   ");
  EXPECT_EQ(PathCode(top, 1033), "/10");
  EXPECT_EQ(PathCode(model + 500, 1033), "/11");

  // A parent that was deleted gives three spaces, and the climb ends with 11.
  ASSERT_EQ(ZLSetParentByID(m_hDB, top, 7777), 1);
  EXPECT_EQ(PathCode(folder, 1033), "\\\\   \\\\Library/11");
}

}  // namespace
