// The zldb tool's tree commands, run as a separate program next to the test
// program in the build folder (skipped when it has not been built): the
// sample library is a consistent tree, and printing a tree with a cycle in
// its links ends.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "platform/scratch_dir.h"
#include "zldbctrl70.h"

namespace {

// The zldb program of this build: $ZLDB, or zldb in the folder above the
// test program's.
std::string ToolPath() {
  if (const char* path = std::getenv("ZLDB")) return path;
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return "";
  const std::filesystem::path tool = self.parent_path().parent_path() / "zldb";
  return std::filesystem::exists(tool, ec) ? tool.string() : "";
}

struct RunResult {
  int status = -1;
  std::string out;
  std::string err;
};

class ZldbToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_tool = ToolPath();
    if (m_tool.empty()) GTEST_SKIP() << "zldb has not been built";
    m_file = m_dir.File("demo.zdb");
  }

  // Runs zldb with the arguments; a time limit turns a hang into a failure.
  RunResult Run(const std::string& args) {
    const std::string errFile = m_dir.File("stderr.txt");
    const std::string command = "timeout 60 '" + m_tool + "' " + args + " 2>'" + errFile + "'";
    RunResult result;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return result;
    char buffer[4096];
    size_t n = 0;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, n);
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.err = CScratchDir::Read(errFile);
    return result;
  }

  static int CountLines(const std::string& text) {
    int lines = 0;
    for (char c : text) lines += c == '\n';
    return lines;
  }

  CScratchDir m_dir;
  std::string m_tool;
  std::string m_file;
};

// Checks the links around one record's children: each child names it as
// parent, PREV mirrors NEXT, the first child has no PREV.  Adds every
// child to seen (failing on a second visit) and returns the child IDs.
std::vector<long> CheckedChildren(void* hDB, long parent, std::set<long>& seen) {
  std::vector<long> children;
  long child = 0;
  if (!ZLGetFirstChildByID(hDB, parent, child)) {
    EXPECT_EQ(ZLGetLastError(), ZLE_NULL_VALUE) << "record " << parent;
    return children;
  }
  long prev = 0;
  long expectedPrev = 0;
  EXPECT_EQ(ZLGetPrevByID(hDB, child, prev), 0) << "first child " << child;
  while (child != 0) {
    EXPECT_TRUE(seen.insert(child).second) << "record " << child << " reached twice";
    if (children.size() > seen.size()) break;  // a broken list would go on forever
    long linkedParent = 0;
    EXPECT_EQ(ZLGetParentByID(hDB, child, linkedParent), 1);
    EXPECT_EQ(linkedParent, parent) << "record " << child;
    if (expectedPrev != 0) {
      EXPECT_EQ(ZLGetPrevByID(hDB, child, prev), 1);
      EXPECT_EQ(prev, expectedPrev) << "record " << child;
    }
    children.push_back(child);
    expectedPrev = child;
    long next = 0;
    child = ZLGetNextByID(hDB, child, next) ? next : 0;
  }
  return children;
}

TEST_F(ZldbToolTest, DemoWritesAConsistentTreeWithTextsInBothLanguages) {
  const RunResult demo = Run("demo '" + m_file + "'");
  ASSERT_EQ(demo.status, 0) << demo.err;

  void* hDB = ZLOpenDatabase(m_file.c_str(), eOpenReadOnly);
  ASSERT_NE(hDB, nullptr);
  COleVariant rootBookmark;
  ASSERT_EQ(ZLGetRootBookmark(hDB, rootBookmark), 1);
  long root = 0;
  ASSERT_EQ(ZLGetIDByBookmark(hDB, rootBookmark, root), 1);
  long link = 0;
  EXPECT_EQ(ZLGetParentByID(hDB, root, link), 0);
  EXPECT_EQ(ZLGetNextByID(hDB, root, link), 0);

  std::set<long> seen = {root};
  std::vector<long> pending = {root};
  int folders = 0;
  int models = 0;
  while (!pending.empty()) {
    const long id = pending.back();
    pending.pop_back();
    unsigned long type = 99;
    ASSERT_EQ(ZLGetTypeByID(hDB, id, type), 1);
    CString text;
    if (type == 1) {
      ++folders;
    } else {
      ++models;
      EXPECT_EQ(ZLGetDefNameByID(hDB, id, text), 1) << "record " << id;
    }
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

  // Every record of the file is in the tree.
  CTypedPtrArray<CPtrArray, COleVariant*> all;
  ASSERT_EQ(ZLGetAllBookmarks(hDB, all), 1);
  EXPECT_EQ(static_cast<size_t>(all.GetSize()), seen.size());
  ZLFreeBookmarkArray(all);
  EXPECT_EQ(ZLCloseDatabase(hDB), 1);

  // zldb tree prints one line per record, the top folder first.
  const RunResult tree = Run("tree '" + m_file + "' --lang 1031");
  ASSERT_EQ(tree.status, 0) << tree.err;
  EXPECT_EQ(CountLines(tree.out), static_cast<int>(seen.size()));
  EXPECT_EQ(tree.out.rfind("+ Modellbibliothek", 0), 0u) << tree.out;
}

TEST_F(ZldbToolTest, DemoRefusesAFileThatExists) {
  ASSERT_EQ(Run("demo '" + m_file + "'").status, 0);
  const RunResult again = Run("demo '" + m_file + "'");
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(again.err.find("creating the database"), std::string::npos) << again.err;
}

TEST_F(ZldbToolTest, ShowPrintsAModelAndRefusesAMissingOne) {
  ASSERT_EQ(Run("demo '" + m_file + "'").status, 0);
  void* hDB = ZLOpenDatabase(m_file.c_str(), eOpenReadOnly);
  ASSERT_NE(hDB, nullptr);
  // The first record with a definition name is a model.
  CTypedPtrArray<CPtrArray, COleVariant*> all;
  ASSERT_EQ(ZLGetAllBookmarks(hDB, all), 1);
  long model = 0;
  CString defName, path;
  for (int i = 0; i < all.GetSize() && model == 0; ++i) {
    if (ZLGetDefNameByBookmark(hDB, *all[i], defName)) {
      ASSERT_EQ(ZLGetIDByBookmark(hDB, *all[i], model), 1);
    }
  }
  ZLFreeBookmarkArray(all);
  ASSERT_NE(model, 0);
  ASSERT_EQ(ZLGetPathByID(hDB, model, 1033, path), 1);
  EXPECT_FALSE(path.IsEmpty());
  EXPECT_EQ(ZLCloseDatabase(hDB), 1);

  const RunResult show = Run("show '" + m_file + "' " + std::to_string(model) + " --json");
  ASSERT_EQ(show.status, 0) << show.err;
  EXPECT_NE(show.out.find("\"definitionName\":\"" + std::string(defName.GetString()) + "\""),
            std::string::npos)
      << show.out;
  std::string jsonPath;
  for (const char* p = path.GetString(); *p != '\0'; ++p) {
    jsonPath += *p == '\\' ? std::string("\\\\") : std::string(1, *p);
  }
  EXPECT_NE(show.out.find("\"path\":\"" + jsonPath + "\""), std::string::npos) << show.out;

  const RunResult missing = Run("show '" + m_file + "' 99999");
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

  const RunResult tree = Run("tree '" + m_file + "'");
  ASSERT_EQ(tree.status, 0) << tree.err;
  EXPECT_EQ(CountLines(tree.out), 3) << tree.out;
  EXPECT_NE(tree.err.find("record " + std::to_string(ids[1])), std::string::npos) << tree.err;
}

}  // namespace
