// zldb show of a model's parameter sets (chain order, sets outside the
// chain, a chain with a cycle), tolerances, stresses, additional data and
// profile strings, as the demo writes them.
#include "tool_fixture.h"
#include "zldbctrl70.h"

namespace {

using nlohmann::json;

TEST_F(ToolTest, ShowListsParameterSetsInChainOrderWithTheirValues) {
  Demo();
  json model =
      Run({"show", m_file, "LM741", "--json", "--profile", "Sim/Step", "--profile", "Sim/None"})
          .Json();
  ASSERT_EQ(model["parameterSets"].size(), 2u) << model.dump();
  const json& typical = model["parameterSets"][0];
  const json& worst = model["parameterSets"][1];
  EXPECT_EQ(typical["title"], "typical");
  EXPECT_EQ(worst["title"], "worst case");
  // The sets give values to the model's own five parameters, which exist
  // once and keep their own values.
  ASSERT_EQ(model["parameters"].size(), 5u) << model.dump();
  EXPECT_EQ(model["parameters"][0]["value"], "1e5");
  EXPECT_EQ(typical["values"].size(), 5u);
  EXPECT_EQ(typical["values"]["gain"], "200k");
  EXPECT_EQ(worst["values"]["tau"], "2e-6");
  EXPECT_EQ(worst["tolerances"][0]["tolerance"], "30%");
  EXPECT_EQ(worst["tolerances"][0]["node"], "gain");
  EXPECT_EQ(worst["stresses"][0]["maximum"], "15V");
  EXPECT_EQ(model["tolerances"][0]["tolerance"], "20%");
  EXPECT_EQ(model["stresses"][0]["reference"], "supply voltage");
  EXPECT_EQ(model["additionalData"]["Order number"], "ON-LM741");
  EXPECT_EQ(model["profile"]["Sim/Step"], "1us");
  EXPECT_TRUE(model["profile"]["Sim/None"].is_null());
  // The worst case made first by its link, the typical set's NEXT pointing
  // back at it (a cycle) and a set outside the chain: each shown once.
  const long first = worst["id"].get<long>(), second = typical["id"].get<long>();
  void* hDB = ZLOpenDatabase(m_file.c_str(), eOpenReadWriteNoLogin);
  ASSERT_NE(hDB, nullptr);
  long loose = 0;
  ASSERT_EQ(ZLSetPrevParamSetByParamID(hDB, first, 0), 1);
  ASSERT_EQ(ZLSetPrevParamSetByParamID(hDB, second, first), 1);
  ASSERT_EQ(ZLSetNextParamSetByParamID(hDB, first, second), 1);
  ASSERT_EQ(ZLSetNextParamSetByParamID(hDB, second, first), 1);
  ASSERT_EQ(ZLCreateNewParamSet(hDB, model["id"].get<long>(), loose), 1);
  ASSERT_EQ(ZLSetPrevParamSetByParamID(hDB, loose, second), 1);
  ASSERT_EQ(ZLCloseDatabase(hDB), 1);
  model = Run({"show", m_file, "LM741", "--json"}).Json();
  ASSERT_EQ(model["parameterSets"].size(), 3u) << model.dump();
  EXPECT_EQ(model["parameterSets"][0]["id"], first);
  EXPECT_EQ(model["parameterSets"][1]["id"], second);
  EXPECT_EQ(model["parameterSets"][2]["id"], loose);
  EXPECT_EQ(model["parameterSets"][2]["unlinked"], true);
  EXPECT_EQ(model["parameterSets"][2]["values"]["gain"], "");
  // A model without content.
  const json plain = Run({"show", m_file, "TL072", "--json"}).Json();
  EXPECT_EQ(plain["parameterSets"], json::array());
  EXPECT_TRUE(plain["additionalData"]["Order number"].is_null());
  EXPECT_FALSE(plain.contains("profile"));
  EXPECT_NE(Run({"show", m_file, "TL072", "--profile", "nokey"}).status, 0);
}

}  // namespace
