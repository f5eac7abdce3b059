// zldb legacy-info: the models of a library of the flat layout.
#include "tool_fixture.h"
#include "zldbctrl70.h"

namespace {

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
  const RunResult text = Run({"legacy-info", path});
  ASSERT_EQ(text.status, 0);
  EXPECT_NE(text.out.find("3 models"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("Capacitor"), std::string::npos) << text.out;

  // A current-layout library and a missing file are refused with the cause.
  Demo();
  const RunResult current = Run({"legacy-info", m_file});
  EXPECT_EQ(current.status, 1);
  EXPECT_TRUE(current.ErrHas("not a legacy model library")) << current.err;
  const RunResult missing = Run({"legacy-info", m_dir.File("none.sdb")});
  EXPECT_EQ(missing.status, 1);
  EXPECT_TRUE(missing.ErrHas("does not exist")) << missing.err;
}

}  // namespace
