// zldb copy-library: a library copied into a new one (on the server with
// ZL_TEST_BACKEND=postgres) and back into a file exports the same document
// as the original; an existing destination is never written.
#include "support/test_backend.h"
#include "tool/tool_fixture.h"

namespace {

class CopyLibraryTest : public ToolTest {
 protected:
  // The middle library: the server's, emptied, or a file.
  std::string Middle() {
    if (!testbackend::OnServer()) return m_dir.File("middle.zdb");
    const std::string uri = std::getenv("ZL_PG_URI");
    const std::string empty =
        "psql -q " + Quote(uri) + " -c " + Quote(testbackend::kEmptyServerSql);
    EXPECT_EQ(std::system(empty.c_str()), 0);
    return uri;
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

}  // namespace
