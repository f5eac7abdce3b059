// zldb check and zldb repair: the demo library passes, a broken tree is
// found (exit 1) and repaired, and failures exit 1 with a message.
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

TEST_F(ToolTest, CheckPassesTheDemoAndRepairKeepsIt) {
  Demo();
  const RunResult check = Run({"check", m_file});
  EXPECT_EQ(check.status, 0) << check.out << check.err;
  EXPECT_NE(check.out.find("no faults"), std::string::npos) << check.out;
  const RunResult repair = Run({"repair", m_file, "--json"});
  ASSERT_EQ(repair.status, 0) << repair.err;
  const nlohmann::json summary = repair.Json();
  EXPECT_EQ(summary["records"], 50);
  EXPECT_EQ(summary["reached"], 50);
  EXPECT_EQ(summary["linksRewritten"], 0);
  EXPECT_EQ(Run({"check", m_file}).status, 0);
  EXPECT_EQ(Files(), std::vector<std::string>{"lib.zdb"});
}

TEST_F(ToolTest, CheckFindsABrokenTreeAndRepairMendsIt) {
  Demo();
  UnlinkFirstFolderChild(m_file);
  const RunResult check = Run({"check", m_file, "--json"});
  EXPECT_EQ(check.status, 1);
  const nlohmann::json found = check.Json();
  EXPECT_EQ(found["ok"], false);
  EXPECT_GT(found["counts"]["tree"].get<long>(), 0) << check.out;
  EXPECT_EQ(found["faults"][0]["kind"].is_string(), true);
  const RunResult text = Run({"check", m_file});
  EXPECT_EQ(text.status, 1);
  EXPECT_NE(text.out.find("not reached from the root"), std::string::npos) << text.out;
  const RunResult repair = Run({"repair", m_file});
  ASSERT_EQ(repair.status, 0) << repair.err;
  EXPECT_NE(repair.out.find("re-attached"), std::string::npos) << repair.out;
  EXPECT_EQ(repair.err, "") << "no progress when the output is not a terminal";
  const RunResult after = Run({"check", m_file});
  EXPECT_EQ(after.status, 0) << after.out;
}

TEST_F(ToolTest, CheckAndRepairOfAMissingFileFail) {
  for (const char* command : {"check", "repair"}) {
    const RunResult result = Run({command, m_dir.File("missing.zdb")});
    EXPECT_EQ(result.status, 1) << command;
    EXPECT_TRUE(result.ErrHas("missing.zdb")) << result.err;
  }
}

}  // namespace
