// zldb show's macros and call lines and zldb packages, on the sample library
// and on a package list with a cycle and an unlinked package.
#include "tool_fixture.h"
#include "zldbctrl70.h"

namespace {

using json = nlohmann::json;

TEST_F(ToolTest, ShowListsMacrosAndCallsAndPackagesFollowTheList) {
  Demo();
  const json model = Run({"show", m_file, "TL072", "--json"}).Json();
  ASSERT_EQ(model["macros"].size(), 2u) << model.dump();
  EXPECT_EQ(model["macros"][0]["language"], "Spice");
  EXPECT_EQ(model["macros"][1]["language"], "VHDLA");
  EXPECT_EQ(model["macros"][0]["definitionName"], "TL072");
  EXPECT_EQ(model["macros"][0]["interface"], false);
  EXPECT_GT(model["macros"][0]["textLength"].get<int>(), 0);
  ASSERT_EQ(model["calls"].size(), 2u);
  EXPECT_EQ(model["calls"][0]["text"], "X1 1 2 TL072");
  // A folder has none.
  const json folder = Run({"show", m_file, "#1", "--json"}).Json();
  EXPECT_EQ(folder["macros"], json::array());

  json list = Run({"packages", m_file, "--json"}).Json();
  ASSERT_EQ(list["packages"].size(), 2u) << list.dump();
  EXPECT_EQ(list["packages"][0]["name"], "demo_constants");
  EXPECT_EQ(list["packages"][1]["name"], "demo_functions");
  EXPECT_EQ(list["packages"][1]["languages"], json::array({"VHDLA"}));
  EXPECT_TRUE(list["cycleAfter"].is_null());

  // A NEXT link back to the first package and a package outside the list.
  void* hDB = ZLOpenDatabase(m_file.c_str(), eOpenReadWriteNoLogin);
  ASSERT_NE(hDB, nullptr);
  ASSERT_EQ(ZLSetPackageNextByID(hDB, 2, 1), 1);
  COleVariant bookmark;
  ASSERT_EQ(ZLCreatePackageNewRecord(hDB, bookmark), 1);
  ASSERT_EQ(ZLSetPackageNameByBookmark(hDB, bookmark, "loose"), 1);
  ASSERT_EQ(ZLCloseDatabase(hDB), 1);
  const RunResult cyclic = Run({"packages", m_file, "--json"});
  EXPECT_EQ(cyclic.status, 0);
  EXPECT_TRUE(cyclic.ErrHas("cycle after package 2")) << cyclic.err;
  list = cyclic.Json();
  ASSERT_EQ(list["packages"].size(), 3u);
  EXPECT_EQ(list["packages"][2]["name"], "loose");
  EXPECT_EQ(list["packages"][2]["linked"], false);
  const RunResult text = Run({"packages", m_file});
  EXPECT_NE(text.out.find("#3 loose  state 0  no contents  (unlinked)"), std::string::npos)
      << text.out;
}

}  // namespace
