// zldb check, repair, upgrade and legacy-info: the demo library passes, a
// broken tree is found (exit 1) and repaired, an older library is upgraded
// once, a flat library's models are listed; a file they cannot use exits 1
// naming it and the cause.
#include "tool/tool_fixture.h"
#include "zldbctrl70.h"

namespace {

// Takes the demo's first folder out of its sibling chain through the
// library: its neighbours' links pass it by.
void UnlinkFirstFolderChild(const std::string& path) {
  void* hDB = ZLOpenDatabase(path.c_str(), eOpenReadWrite);
  ASSERT_NE(hDB, nullptr);
  COleVariant root;
  long rootID = 0, child = 0, next = 0;
  ASSERT_EQ(ZLGetRootBookmark(hDB, root), 1);
  ASSERT_EQ(ZLGetIDByBookmark(hDB, root, rootID), 1);
  ASSERT_EQ(ZLGetFirstChildByID(hDB, rootID, child), 1);
  ASSERT_EQ(ZLGetNextByID(hDB, child, next), 1);
  ASSERT_EQ(ZLSetFirstChildByID(hDB, rootID, next), 1);
  ASSERT_EQ(ZLSetPrevByID(hDB, next, 0), 1);
  ASSERT_EQ(ZLCloseDatabase(hDB), 1);
}

TEST_F(ToolTest, CheckFindsABrokenTreeAndRepairMendsIt) {
  Demo();
  EXPECT_EQ(Run({"check", m_file}).status, 0);
  const RunResult kept = Run({"repair", m_file, "--json"});
  ASSERT_EQ(kept.status, 0) << kept.err;
  nlohmann::json summary = kept.Json();
  EXPECT_EQ(summary["file"], m_file);
  summary.erase("file");
  EXPECT_EQ(summary, nlohmann::json::parse(R"({"records": 50, "reached": 50, "reattached": 0,
                                               "cyclesBroken": 0, "linksRewritten": 0})"));
  UnlinkFirstFolderChild(m_file);
  const RunResult check = Run({"check", m_file, "--json"});
  EXPECT_EQ(check.status, 1);
  const nlohmann::json found = check.Json();
  EXPECT_EQ(found["ok"], false);
  EXPECT_GT(found["counts"]["tree"].get<long>(), 0) << check.out;
  EXPECT_NE(check.out.find("not reached from the root"), std::string::npos) << check.out;
  const RunResult repair = Run({"repair", m_file});
  ASSERT_EQ(repair.status, 0) << repair.err;
  EXPECT_NE(repair.out.find("re-attached"), std::string::npos) << repair.out;
  EXPECT_EQ(repair.err, "") << "no progress when the output is not a terminal";
  EXPECT_EQ(Run({"check", m_file}).status, 0);
  EXPECT_EQ(Files(), testbackend::OnServer() ? std::vector<std::string>{}
                                             : std::vector<std::string>{"lib.zdb"});
}

// The layout is the current one; the version says 17, so the last steps
// and the compaction (of a file; a server library has none) run, once.
TEST_F(ToolTest, UpgradeReportsBothVersionsAndIsIdempotent) {
  Demo();
  void* hDB = ZLOpenDatabase(m_file.c_str(), eOpenReadWriteNoLogin);
  ASSERT_NE(hDB, nullptr);
  ASSERT_EQ(ZLSetDatabaseVersion(hDB, ZLDBVersion(17), ZLDBStructVersion(4)), 1);
  ZLCloseDatabase(hDB);
  const RunResult first = Run({"upgrade", m_file, "--json"});
  ASSERT_EQ(first.status, 0) << first.err;
  nlohmann::json done = first.Json();
  done.erase("file");
  EXPECT_EQ(done, nlohmann::json::parse(R"({"from": {"version": 17, "structure": 4},
      "to": {"version": 22, "structure": 5}, "changed": true})"));
  const RunResult again = Run({"upgrade", m_file, "--json"});
  EXPECT_EQ(again.status, 0);
  EXPECT_EQ(again.Json()["changed"], false);
  EXPECT_EQ(Run({"check", m_file}).status, 0);
}

TEST_F(ToolTest, LegacyInfoListsTheModelsOfAFlatLibrary) {
  const std::string path = m_dir.File("old.sdb");
  void* hDB = CreateZLDatabase(path.c_str());
  ASSERT_NE(hDB, nullptr);
  const char* const models[][4] = {{"", "Folder", "1", "Passive"},
                                   {"R1", "MAC", "1,2", "Resistor"},
                                   {"C1", "SUB", "1,3", "Capacitor"}};
  for (const auto& model : models) {
    COleVariant bookmark;
    ASSERT_EQ(CreateNewRecord(hDB, bookmark), 1);
    if (*model[0] != '\0') {
      ASSERT_EQ(SetNameByBookmark(hDB, bookmark, model[0]), 1);
    }
    ASSERT_EQ(SetTypeByBookmark(hDB, bookmark, model[1]), 1);
    ASSERT_EQ(SetFolderByBookmark(hDB, bookmark, model[2]), 1);
    ASSERT_EQ(SetTitleByBookmark(hDB, bookmark, model[3]), 1);
  }
  ASSERT_EQ(CloseZLDatabase(hDB), 1);
  const RunResult json = Run({"legacy-info", path, "--json"});
  ASSERT_EQ(json.status, 0) << json.err;
  const nlohmann::json out = json.Json();
  EXPECT_EQ(out["version"], 4);
  ASSERT_EQ(out["models"].size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(out["models"][i]["id"], i + 1);
    EXPECT_EQ(out["models"][i]["name"], models[i][0]);  // a null name reads as empty
    EXPECT_EQ(out["models"][i]["type"], models[i][1]);
    EXPECT_EQ(out["models"][i]["folder"], models[i][2]);
    EXPECT_EQ(out["models"][i]["title"], models[i][3]);
  }
  const std::string text = Run({"legacy-info", path}).out;
  EXPECT_NE(text.find("3 models"), std::string::npos) << text;
  EXPECT_NE(text.find("Capacitor"), std::string::npos) << text;
}

TEST_F(ToolTest, FilesTheCommandsCannotUseExitOneWithTheCause) {
  if (testbackend::OnServer()) GTEST_SKIP() << "messages about files";
  Demo();
  const struct {
    std::vector<std::string> args;
    const char* cause;
  } cases[] = {
      {{"check", "missing.zdb"}, "missing.zdb"},
      {{"repair", "missing.zdb"}, "missing.zdb"},
      {{"upgrade", "missing.zdb"}, "missing.zdb"},
      {{"legacy-info", "none.sdb"}, "does not exist"},
      {{"legacy-info", "lib.zdb"}, "not a legacy model library"},
  };
  for (const auto& c : cases) ExpectRefused(c.args, 1, c.cause);
}

}  // namespace
