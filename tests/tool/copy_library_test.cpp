// zldb copy-library: a library copied into a new one (on the server with
// ZL_TEST_BACKEND=postgres) and back into a file exports the same document
// as the original; an existing destination is never written, and a copy
// that fails half-way leaves no destination behind.
#include <sqlite3.h>

#include "support/test_backend.h"
#include "tool/tool_fixture.h"
#include "zldbctrl70.h"

namespace {

class CopyLibraryTest : public ToolTest {
 protected:
  // The source is a file on either backend.
  void SetUp() override {
    ToolTest::SetUp();
    m_file = m_dir.File("lib.zdb");
  }
  // The middle library: the server's, emptied, or a file.
  std::string Middle() {
    return testbackend::OnServer() ? EmptyServer() : m_dir.File("middle.zdb");
  }
};

TEST_F(CopyLibraryTest, ThereAndBackGivesTheSameExport) {
  Demo();
  const std::string middle = Middle(), back = m_dir.File("back.zdb");
  const RunResult there = Run({"copy-library", m_file, middle});
  ASSERT_EQ(there.status, 0) << there.err;
  EXPECT_EQ(there.out, m_file + ": copied 50 records and 2 packages to " + middle + "\n");
  // Neither kind of destination is overwritten.
  for (const std::string& target : {middle, m_file}) {
    const RunResult taken = Run({"copy-library", m_file, target});
    EXPECT_EQ(taken.status, 1) << target;
    EXPECT_TRUE(taken.ErrHas("exists already") || taken.ErrHas("never overwrites")) << taken.err;
  }

  const RunResult home = Run({"copy-library", middle, back, "--json"});
  ASSERT_EQ(home.status, 0) << home.err;
  const nlohmann::json result = home.Json();
  EXPECT_EQ(result["records"], 50);
  EXPECT_EQ(result["packages"], 2);
  for (const auto& [library, json] : {std::pair{m_file, "a.json"}, std::pair{back, "b.json"}}) {
    ASSERT_EQ(Run({"export", library, m_dir.File(json)}).status, 0) << library;
  }
  EXPECT_EQ(CScratchDir::Read(m_dir.File("a.json")), CScratchDir::Read(m_dir.File("b.json")));
  EXPECT_EQ(Run({"check", back}).status, 0);
}

// A record half-way through the source cannot be read (its macro text is
// damaged): the copy stops there, after the records before it were
// written, and the destination is gone, so the same copy can run again.
TEST_F(CopyLibraryTest, AFailureHalfWayLeavesNoLibrary) {
  Demo();
  sqlite3* raw = nullptr;
  ASSERT_EQ(sqlite3_open(m_file.c_str(), &raw), SQLITE_OK);
  const char* damage =
      "UPDATE MACRO_Spice SET MACROTEXT = x'00112233445566778899' WHERE MODEL_ID = 31";
  EXPECT_EQ(sqlite3_exec(raw, damage, nullptr, nullptr, nullptr), SQLITE_OK);
  EXPECT_EQ(sqlite3_changes(raw), 1);
  sqlite3_close(raw);
  const std::string middle = Middle();
  const RunResult failed = Run({"copy-library", m_file, middle});
  EXPECT_EQ(failed.status, 1);
  EXPECT_TRUE(failed.ErrHas("the copy stopped at record #31")) << failed.err;
  EXPECT_TRUE(failed.ErrHas(middle + ": nothing was copied\n")) << failed.err;
  EXPECT_EQ(ZLOpenDatabase(middle.c_str(), eOpenReadOnly), nullptr);
  EXPECT_EQ(ZLGetLastError(), ZLE_FILE_NOT_FOUND);
  EXPECT_EQ(Files(), std::vector<std::string>{"lib.zdb"});
  ASSERT_EQ(Run({"demo", m_dir.File("sound.zdb")}).status, 0);
  const RunResult again = Run({"copy-library", m_dir.File("sound.zdb"), middle});
  EXPECT_EQ(again.status, 0) << again.err;
}

}  // namespace
