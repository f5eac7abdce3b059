// The sample library that zldb demo writes is a consistent tree in both
// languages, and printing a tree with a cycle in its links ends.
#include <set>

#include "tool_fixture.h"
#include "zldbctrl70.h"

namespace {

using CBookmarks = CTypedPtrArray<CPtrArray, COleVariant*>;

// Checks one record's children: each names it as parent, PREV mirrors NEXT
// (none before the first).  Fails on a record reached twice; the child IDs.
std::vector<long> CheckedChildren(void* hDB, long parent, std::set<long>& seen) {
  std::vector<long> children;
  long prev = 0, link = 0;
  for (long child = ZLGetFirstChildByID(hDB, parent, link) ? link : 0; child != 0;
       child = ZLGetNextByID(hDB, child, link) ? link : 0) {
    if (!seen.insert(child).second) {
      ADD_FAILURE() << "record " << child << " reached twice";
      break;
    }
    EXPECT_EQ(ZLGetParentByID(hDB, child, link) == 1 ? link : 0, parent) << "record " << child;
    EXPECT_EQ(ZLGetPrevByID(hDB, child, link) == 1 ? link : 0, prev) << "record " << child;
    children.push_back(prev = child);
  }
  return children;
}

TEST_F(ToolTest, DemoWritesAConsistentTreeWithTextsInBothLanguages) {
  const RunResult demo = Run({"demo", m_file});
  ASSERT_EQ(demo.status, 0) << demo.err;
  void* hDB = ZLOpenDatabase(m_file.c_str(), eOpenReadOnly);
  ASSERT_NE(hDB, nullptr);
  COleVariant rootBookmark;
  long root = 0, link = 0;
  ASSERT_EQ(ZLGetRootBookmark(hDB, rootBookmark), 1);
  ASSERT_EQ(ZLGetIDByBookmark(hDB, rootBookmark, root), 1);
  EXPECT_EQ(ZLGetParentByID(hDB, root, link), 0);
  EXPECT_EQ(ZLGetNextByID(hDB, root, link), 0);

  std::set<long> seen = {root};
  int folders = 0, models = 0;
  for (std::vector<long> pending = {root}; !pending.empty();) {
    const long id = pending.back();
    pending.pop_back();
    unsigned long type = 99;
    ASSERT_EQ(ZLGetTypeByID(hDB, id, type), 1);
    CString text;
    ++(type == 1 ? folders : models);
    EXPECT_TRUE(type == 1 || ZLGetDefNameByID(hDB, id, text) == 1) << "record " << id;
    for (WORD language : {1033, 1031}) {
      EXPECT_EQ(ZLGetTitleByID(hDB, id, language, text, 0), 1) << id << " " << language;
      EXPECT_FALSE(text.IsEmpty());
      EXPECT_EQ(ZLGetInfoByID(hDB, id, language, text, 0), 1) << id << " " << language;
    }
    EXPECT_EQ(ZLGetCreatedUserByID(hDB, id, text, 0), 1);
    COleDateTime created, modified;
    EXPECT_EQ(ZLGetCreatedDateByID(hDB, id, created, 0), 1);
    EXPECT_EQ(ZLGetModifiedDateByID(hDB, id, modified, 0), 1);
    EXPECT_LT(created, modified);
    for (long child : CheckedChildren(hDB, id, seen)) pending.push_back(child);
  }
  EXPECT_GE(folders, 5);
  EXPECT_GE(models, 24);
  CBookmarks all;  // every record of the file is in the tree
  ASSERT_EQ(ZLGetAllBookmarks(hDB, all), 1);
  EXPECT_EQ(static_cast<size_t>(all.GetSize()), seen.size());
  ZLFreeBookmarkArray(all);
  EXPECT_EQ(ZLCloseDatabase(hDB), 1);

  // One line per record, the top folder first.
  const RunResult tree = Run({"tree", m_file, "--lang", "1031"});
  ASSERT_EQ(tree.status, 0) << tree.err;
  EXPECT_EQ(std::count(tree.out.begin(), tree.out.end(), '\n'), static_cast<long>(seen.size()));
  EXPECT_EQ(tree.out.rfind("+ Modellbibliothek", 0), 0u) << tree.out;
}

TEST_F(ToolTest, TreeWithALinkCycleEndsAndWarns) {
  void* hDB = ZLCreateDatabase(m_file.c_str());
  ASSERT_NE(hDB, nullptr);
  long ids[3] = {};
  for (long& id : ids) {
    COleVariant bookmark;
    ASSERT_EQ(ZLCreateNewRecord(hDB, bookmark), 1);
    ASSERT_EQ(ZLGetIDByBookmark(hDB, bookmark, id), 1);
  }
  // ids[0] holds ids[1] and ids[2]; ids[2]'s NEXT leads back to ids[1].
  ASSERT_EQ(ZLSetFirstChildByID(hDB, ids[0], ids[1]), 1);
  ASSERT_EQ(ZLSetNextByID(hDB, ids[1], ids[2]), 1);
  ASSERT_EQ(ZLSetNextByID(hDB, ids[2], ids[1]), 1);
  ASSERT_EQ(ZLCloseDatabase(hDB), 1);

  const RunResult tree = Run({"tree", m_file});
  ASSERT_EQ(tree.status, 0) << tree.err;
  EXPECT_EQ(std::count(tree.out.begin(), tree.out.end(), '\n'), 3) << tree.out;
  EXPECT_NE(tree.err.find("record " + std::to_string(ids[1])), std::string::npos) << tree.err;
}

}  // namespace
