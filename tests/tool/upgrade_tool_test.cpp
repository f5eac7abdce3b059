// zldb upgrade: an older library is brought to the current version, a
// current one is left alone, and a failure exits 1.
#include "tool_fixture.h"
#include "zldbctrl70.h"

TEST_F(ToolTest, UpgradeReportsBothVersionsAndIsIdempotent) {
  Demo();
  // The layout is the current one; the version says 17, so the last steps
  // and the compaction run.
  void* hDB = ZLOpenDatabase(m_file.c_str(), eOpenReadWriteNoLogin);
  ASSERT_NE(hDB, nullptr);
  ASSERT_EQ(
      ZLSetDatabaseVersion(hDB, static_cast<ZLDBVersion>(17), static_cast<ZLDBStructVersion>(4)),
      1);
  ZLCloseDatabase(hDB);
  RunResult first = Run({"upgrade", m_file, "--json"});
  ASSERT_EQ(first.status, 0) << first.err;
  const nlohmann::json done = first.Json();
  EXPECT_EQ(done["from"]["version"], 17);
  EXPECT_EQ(done["from"]["structure"], 4);
  EXPECT_EQ(done["to"]["version"], 22);
  EXPECT_EQ(done["to"]["structure"], 5);
  EXPECT_EQ(done["changed"], true);
  const RunResult again = Run({"upgrade", m_file});
  EXPECT_EQ(again.status, 0);
  EXPECT_EQ(again.out, "already at version 22 (structure 5); nothing changed\n");
  // Not a terminal: no progress line, and the tree is intact.
  EXPECT_EQ(first.out.find("upgrading"), std::string::npos);
  EXPECT_EQ(Run({"tree", m_file}).status, 0);
  const RunResult missing = Run({"upgrade", m_dir.File("missing.zdb")});
  EXPECT_EQ(missing.status, 1);
  EXPECT_TRUE(missing.ErrHas("missing.zdb")) << missing.err;
}
