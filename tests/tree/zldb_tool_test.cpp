// The zldb tool's tree commands, run as a separate program next to the test
// program in the build folder (skipped when it has not been built): the
// sample library is a consistent tree, and printing a tree with a cycle in
// its links ends.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "platform/scratch_dir.h"
#include "zldbctrl70.h"

namespace {

using CBookmarks = CTypedPtrArray<CPtrArray, COleVariant*>;

// The zldb program of this build: $ZLDB, or zldb in the folder above the
// test program's.
std::string ToolPath() {
  if (const char* path = std::getenv("ZLDB")) return path;
  std::error_code ec;
  const auto tool =
      std::filesystem::read_symlink("/proc/self/exe", ec).parent_path().parent_path() / "zldb";
  return !ec && std::filesystem::exists(tool, ec) ? tool.string() : "";
}

struct RunResult {
  int status = -1;
  std::string out, err;
  long Lines() const { return std::count(out.begin(), out.end(), '\n'); }
};

class ZldbToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_tool = ToolPath();
    if (m_tool.empty()) GTEST_SKIP() << "zldb has not been built";
    m_file = m_dir.File("demo.zdb");
  }
  // Runs zldb on the file; a time limit turns a hang into a failure.
  RunResult Run(const std::string& command, const std::string& args = "") {
    const std::string out = m_dir.File("out.txt"), err = m_dir.File("err.txt");
    const int status = std::system(("timeout 60 '" + m_tool + "' " + command + " '" + m_file +
                                    "' " + args + " >'" + out + "' 2>'" + err + "'")
                                       .c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, CScratchDir::Read(out),
            CScratchDir::Read(err)};
  }

  CScratchDir m_dir;
  std::string m_tool, m_file;
};

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

TEST_F(ZldbToolTest, DemoWritesAConsistentTreeWithTextsInBothLanguages) {
  const RunResult demo = Run("demo");
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
  const RunResult tree = Run("tree", "--lang 1031");
  ASSERT_EQ(tree.status, 0) << tree.err;
  EXPECT_EQ(tree.Lines(), static_cast<long>(seen.size()));
  EXPECT_EQ(tree.out.rfind("+ Modellbibliothek", 0), 0u) << tree.out;
}

TEST_F(ZldbToolTest, ShowPrintsAModelAndMissingRecordsAndTakenFilesAreRefused) {
  ASSERT_EQ(Run("demo").status, 0);
  const RunResult again = Run("demo");
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(again.err.find("creating the database"), std::string::npos) << again.err;

  void* hDB = ZLOpenDatabase(m_file.c_str(), eOpenReadOnly);
  ASSERT_NE(hDB, nullptr);
  CBookmarks all;  // the first record with a definition name is a model
  ASSERT_EQ(ZLGetAllBookmarks(hDB, all), 1);
  long model = 0;
  CString defName, path;
  for (int i = 0; i < all.GetSize() && model == 0; ++i) {
    if (ZLGetDefNameByBookmark(hDB, *all[i], defName) == 1) {
      ASSERT_EQ(ZLGetIDByBookmark(hDB, *all[i], model), 1);
    }
  }
  ZLFreeBookmarkArray(all);
  ASSERT_NE(model, 0);
  ASSERT_EQ(ZLGetPathByID(hDB, model, 1033, path), 1);
  EXPECT_FALSE(path.IsEmpty());
  EXPECT_EQ(ZLCloseDatabase(hDB), 1);

  const RunResult show = Run("show", std::to_string(model) + " --json");
  ASSERT_EQ(show.status, 0) << show.err;
  EXPECT_NE(show.out.find("\"definitionName\":\"" + defName.str() + "\""), std::string::npos)
      << show.out;
  std::string jsonPath;
  for (const char* p = path.GetString(); *p != '\0'; ++p)
    jsonPath += *p == '\\' ? "\\\\" : std::string(1, *p);
  EXPECT_NE(show.out.find("\"path\":\"" + jsonPath + "\""), std::string::npos) << show.out;

  const RunResult missing = Run("show", "99999");
  EXPECT_EQ(missing.status, 1);
  EXPECT_TRUE(missing.out.empty());
}

TEST_F(ZldbToolTest, TreeWithALinkCycleEndsAndWarns) {
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

  const RunResult tree = Run("tree");
  ASSERT_EQ(tree.status, 0) << tree.err;
  EXPECT_EQ(tree.Lines(), 3) << tree.out;
  EXPECT_NE(tree.err.find("record " + std::to_string(ids[1])), std::string::npos) << tree.err;
}

}  // namespace
