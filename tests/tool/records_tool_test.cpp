// zldb copy and zldb delete on the sample library.
#include <string>

#include "tool_fixture.h"

namespace {

using json = nlohmann::json;

TEST_F(ToolTest, CopyIntoAFolderAndDeleteAgain) {
  Demo();
  const json copied = Run({"copy", m_file, "35", m_file, "--parent", "7", "--json"}).Json();
  ASSERT_TRUE(copied["changed"].get<bool>()) << copied.dump();
  const long id = copied["id"].get<long>();
  const json shown = Run({"show", m_file, std::to_string(id), "--json"}).Json();
  EXPECT_EQ(shown["definitionName"], "TL072") << shown.dump();
  EXPECT_EQ(shown["macros"].size(), 2u);
  EXPECT_EQ(shown["links"]["parent"], 7);
  EXPECT_EQ(shown["links"]["prev"], 38);  // the folder's last child before
  const json tree = Run({"tree", m_file, "--from", "7", "--json"}).Json();
  const json& children = tree["tree"][0]["children"];
  ASSERT_EQ(children.size(), 7u) << tree.dump();
  EXPECT_EQ(children[6]["id"], id);

  // A folder with children is refused; the copy goes, its neighbour's link
  // with it.
  const RunResult refused = Run({"delete", m_file, "7"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_TRUE(refused.ErrHas("has children")) << refused.err;
  EXPECT_EQ(Run({"delete", m_file, std::to_string(id)}).out,
            "deleted #" + std::to_string(id) + "\n");
  EXPECT_EQ(Run({"show", m_file, std::to_string(id)}).status, 1);
  EXPECT_EQ(Run({"tree", m_file, "--from", "7", "--json"}).Json()["tree"][0]["children"].size(),
            6u);
  EXPECT_EQ(Run({"show", m_file, "38", "--json"}).Json()["links"]["next"], nullptr);
}

TEST_F(ToolTest, CopyIntoALibraryWithoutTheLanguagesChangesNothing) {
  Demo();
  const std::string other = m_dir.File("other.zdb");
  ASSERT_EQ(Run({"create", other}).status, 0);
  const RunResult failed = Run({"copy", m_file, "35", other});
  EXPECT_EQ(failed.status, 1);
  EXPECT_TRUE(failed.ErrHas("copying the record")) << failed.err;
  EXPECT_EQ(Run({"tree", other}).out, "(empty tree)\n");
}

}  // namespace
