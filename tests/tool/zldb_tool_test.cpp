// The sample library that zldb demo writes is a consistent tree with texts
// in both languages, of any size with --models N; printing a tree with a
// cycle in its links ends; long commands show their progress on a terminal
// only.
#include <algorithm>

#include "tool_fixture.h"
#include "zldbctrl70.h"

namespace {

using CBookmarks = CTypedPtrArray<CPtrArray, COleVariant*>;

// The tree's links are what zldb check verifies (tests/maintenance covers
// each kind of fault it finds); here every record's texts and stamps.
TEST_F(ToolTest, DemoWritesAConsistentTreeWithTextsInBothLanguages) {
  const RunResult demo = Run({"demo", m_file});
  ASSERT_EQ(demo.status, 0) << demo.err;
  EXPECT_EQ(Run({"check", m_file}).status, 0);
  void* hDB = ZLOpenDatabase(m_file.c_str(), eOpenReadOnly);
  ASSERT_NE(hDB, nullptr);
  CBookmarks all;
  ASSERT_EQ(ZLGetAllBookmarks(hDB, all), 1);
  int folders = 0, models = 0;
  for (int i = 0; i < all.GetSize(); ++i) {
    long id = 0;
    unsigned long type = 99;
    ASSERT_EQ(ZLGetIDByBookmark(hDB, *all[i], id), 1);
    ASSERT_EQ(ZLGetTypeByID(hDB, id, type), 1);
    CString text;
    ++(type == 1 ? folders : models);
    EXPECT_TRUE(type == 1 || ZLGetDefNameByID(hDB, id, text) == 1) << "record " << id;
    for (WORD language : {1033, 1031}) {
      EXPECT_EQ(ZLGetTitleByID(hDB, id, language, text, 0), 1) << id << " " << language;
      EXPECT_FALSE(text.IsEmpty());
      EXPECT_EQ(ZLGetInfoByID(hDB, id, language, text, 0), 1) << id << " " << language;
    }
    COleDateTime created, modified;
    EXPECT_EQ(ZLGetCreatedUserByID(hDB, id, text, 0), 1);
    EXPECT_EQ(ZLGetCreatedDateByID(hDB, id, created, 0), 1);
    EXPECT_EQ(ZLGetModifiedDateByID(hDB, id, modified, 0), 1);
    EXPECT_LT(created, modified);
  }
  ZLFreeBookmarkArray(all);
  EXPECT_EQ(ZLCloseDatabase(hDB), 1);
  EXPECT_GE(folders, 5);
  EXPECT_GE(models, 24);
  // One line per record, the top folder first.
  const RunResult tree = Run({"tree", m_file, "--lang", "1031"});
  ASSERT_EQ(tree.status, 0) << tree.err;
  EXPECT_EQ(std::count(tree.out.begin(), tree.out.end(), '\n'), folders + models);
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

class TerminalTest : public ToolTest {
 protected:
  // Runs zldb with args in the scratch folder on a terminal (script gives
  // it one) and returns what the terminal showed.
  std::string OnTerminal(const std::vector<std::string>& args) {
    std::string command = "cd " + Quote(m_dir.Path()) + " && " + Quote(m_tool);
    for (const std::string& arg : args) command += " " + Quote(arg);
    const std::string out = m_dir.File("terminal.txt");
    std::system(("script -qec " + Quote(command) + " /dev/null >" + Quote(out)).c_str());
    return CScratchDir::Read(out);
  }
};

TEST_F(ToolTest, DemoWritesTheModelsAskedFor) {
  const RunResult demo = Run({"demo", m_file, "--models", "95"});
  ASSERT_EQ(demo.status, 0) << demo.err;
  EXPECT_NE(demo.out.find("10 folders and 95 models"), std::string::npos) << demo.out;
  // The 41st model repeats the first under a new name; copies of the
  // operational amplifiers get their parameter sets too.
  const RunResult copy = Run({"show", m_file, "OP07_2", "--json"});
  ASSERT_EQ(copy.status, 0) << copy.err;
  EXPECT_EQ(copy.Json()["parameterSets"].size(), 2u);
  EXPECT_EQ(Run({"show", m_file, "OP07_3"}).status, 1);
  EXPECT_EQ(Run({"check", m_file}).status, 0);
  EXPECT_EQ(Run({"demo", m_dir.File("x.zdb"), "--models", "-1"}).status, 2);
}

// Each long command on a terminal draws a progress line; piped, standard
// error stays empty.
TEST_F(TerminalTest, ProgressShowsOnATerminalOnly) {
  m_file = m_dir.File("lib.zdb");  // the lines name it
  Demo();
  const struct {
    std::vector<std::string> args;
    const char* shown;
  } cases[] = {
      {{"demo", "big.zdb", "--models", "150"}, "demo: records 150/150 (100%)"},
      {{"check", "lib.zdb"}, "checking "},
      {{"repair", "lib.zdb"}, "repairing lib.zdb ..."},
      {{"export", "lib.zdb", "lib.json"}, "exporting records 50/50 (100%)"},
  };
  for (const auto& c : cases) {
    const RunResult piped = Run(c.args);
    EXPECT_EQ(piped.status, 0) << c.args[0] << ": " << piped.err;
    EXPECT_EQ(piped.err, "") << c.args[0];
    std::filesystem::remove(m_dir.File("big.zdb"));
    const std::string terminal = OnTerminal(c.args);
    EXPECT_NE(terminal.find(c.shown), std::string::npos) << c.args[0] << ": " << terminal;
  }
}

}  // namespace
