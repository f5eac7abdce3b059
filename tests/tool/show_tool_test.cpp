// zldb show and zldb packages: what the demo wrote, one row per value, and
// the lists that can be broken (a parameter-set chain with a cycle and a
// set outside it, a package list with a cycle and an unlinked package, a
// record with texts in one language only).
#include "tool_fixture.h"
#include "zldbctrl70.h"

namespace {

using json = nlohmann::json;

// Opens the file through the library for a change a test makes by hand.
class ShowTest : public ToolTest {
 protected:
  void* Open() {
    void* hDB = ZLOpenDatabase(m_file.c_str(), eOpenReadWriteNoLogin);
    EXPECT_NE(hDB, nullptr);
    return hDB;
  }
  json Show(const std::vector<std::string>& args) {
    std::vector<std::string> all = {"show", m_file};
    all.insert(all.end(), args.begin(), args.end());
    all.push_back("--json");
    return Run(all).Json();
  }
};

TEST_F(ShowTest, ShowGivesTheDemoContent) {
  Demo();
  const struct {
    std::vector<std::string> args;
    const char* pointer;
    const char* expected;  // JSON
  } rows[] = {
      {{"TL072"}, "/macros/0/language", R"("Spice")"},
      {{"TL072"}, "/macros/1/language", R"("VHDLA")"},
      {{"TL072"}, "/macros/0/definitionName", R"("TL072")"},
      {{"TL072"}, "/macros/0/interface", "false"},
      {{"TL072"}, "/calls/0/text", R"("X1 1 2 TL072")"},
      {{"TL072"}, "/pins/0", R"({"name": "in", "type": 0, "access": {"Spice": "in"},
          "info": {"1033": "Input terminal", "1031": "Eingangsanschluss"}})"},
      {{"TL072"}, "/files", R"([{"name": "tl072.cir", "type": 1, "size": 19}])"},
      {{"TL072"}, "/keywords/1031", R"(["Demo", "analog", "tl072"])"},
      {{"TL072"}, "/parameterSets", "[]"},
      {{"TL072"}, "/additionalData/Order number", "null"},
      {{"#1"}, "/macros", "[]"},
      {{"#1"}, "/pins", "[]"},
      {{"#1"}, "/parameters", "[]"},
      {{"#1"}, "/files", "[]"},
      {{"#1"}, "/keywords", "{}"},
      {{"#1"}, "/symbols", "{}"},
      // The sets give values to the model's own five parameters, which
      // keep their own values.
      {{"LM741"}, "/parameters/0/value", R"("1e5")"},
      {{"LM741"}, "/parameterSets/0/title", R"("typical")"},
      {{"LM741"}, "/parameterSets/1/title", R"("worst case")"},
      {{"LM741"}, "/parameterSets/0/values/gain", R"("200k")"},
      {{"LM741"}, "/parameterSets/1/values/tau", R"("2e-6")"},
      {{"LM741"}, "/parameterSets/1/tolerances/0/tolerance", R"("30%")"},
      {{"LM741"}, "/parameterSets/1/tolerances/0/node", R"("gain")"},
      {{"LM741"}, "/parameterSets/1/stresses/0/maximum", R"("15V")"},
      {{"LM741"}, "/tolerances/0/tolerance", R"("20%")"},
      {{"LM741"}, "/stresses/0/reference", R"("supply voltage")"},
      {{"LM741"}, "/additionalData/Order number", R"("ON-LM741")"},
      {{"LM741", "--profile", "Sim/Step", "--profile", "Sim/None"},
       "/profile",
       R"({"Sim/Step": "1us", "Sim/None": null})"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.args[0] + " " + row.pointer);
    const json shown = Show(row.args);
    EXPECT_EQ(shown.value(json::json_pointer(row.pointer), json()), json::parse(row.expected))
        << shown.dump();
  }
  const json model = Show({"TL072"});
  EXPECT_EQ(model["macros"].size(), 2u);
  EXPECT_EQ(model["calls"].size(), 2u);
  EXPECT_GT(model["macros"][0]["textLength"].get<int>(), 0);
  EXPECT_FALSE(model.contains("profile"));
  EXPECT_EQ(Show({"LM741"})["parameterSets"][0]["values"].size(), 5u);
  EXPECT_NE(Run({"show", m_file, "TL072", "--profile", "nokey"}).status, 0);
}

// The worst case made first by its link, the typical set's NEXT pointing
// back at it (a cycle) and a set outside the chain: each shown once.
TEST_F(ShowTest, ParameterSetsFollowTheChainOnceAndListTheRest) {
  Demo();
  const json before = Show({"LM741"});
  const long id = before["id"], first = before["parameterSets"][1]["id"];
  const long second = before["parameterSets"][0]["id"];
  void* hDB = Open();
  long loose = 0;
  ASSERT_EQ(ZLSetPrevParamSetByParamID(hDB, first, 0), 1);
  ASSERT_EQ(ZLSetPrevParamSetByParamID(hDB, second, first), 1);
  ASSERT_EQ(ZLSetNextParamSetByParamID(hDB, first, second), 1);
  ASSERT_EQ(ZLSetNextParamSetByParamID(hDB, second, first), 1);
  ASSERT_EQ(ZLCreateNewParamSet(hDB, id, loose), 1);
  ASSERT_EQ(ZLSetPrevParamSetByParamID(hDB, loose, second), 1);
  ASSERT_EQ(ZLCloseDatabase(hDB), 1);
  const json sets = Show({"LM741"})["parameterSets"];
  ASSERT_EQ(sets.size(), 3u) << sets.dump();
  EXPECT_EQ(sets[0]["id"], first);
  EXPECT_EQ(sets[1]["id"], second);
  EXPECT_EQ(sets[2]["id"], loose);
  EXPECT_EQ(sets[2]["unlinked"], true);
  EXPECT_EQ(sets[2]["values"]["gain"], "");
}

// A NEXT link back to the first package and a package outside the list.
TEST_F(ShowTest, PackagesFollowTheListAndNameACycle) {
  Demo();
  json list = Run({"packages", m_file, "--json"}).Json();
  ASSERT_EQ(list["packages"].size(), 2u) << list.dump();
  EXPECT_EQ(list["packages"][0]["name"], "demo_constants");
  EXPECT_EQ(list["packages"][1]["name"], "demo_functions");
  EXPECT_EQ(list["packages"][1]["languages"], json::array({"VHDLA"}));
  EXPECT_TRUE(list["cycleAfter"].is_null());
  void* hDB = Open();
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
  EXPECT_NE(Run({"packages", m_file}).out.find("#3 loose  state 0  no contents  (unlinked)"),
            std::string::npos);
}

// Texts in one language only: the other is left out, an empty one is kept.
TEST_F(ShowTest, LanguagesAreNamedAsTheyAreAndMissingTextsLeftOut) {
  ASSERT_EQ(Run({"create", m_file}).status, 0);
  void* hDB = Open();
  ASSERT_EQ(ZLAddResourceTable(hDB, 1033), 1);
  ASSERT_EQ(ZLAddResourceTable(hDB, 1031), 1);
  ASSERT_EQ(ZLAddAccessTable(hDB, "VHDLA"), 1);
  COleVariant bookmark;
  ASSERT_EQ(ZLCreateNewRecord(hDB, bookmark), 1);
  CZLNodeArray pins;
  auto* pin = new CZLNodeObject;
  pin->m_strName = "p";
  pin->m_strValue = "0";
  pin->m_mapInfo[1031] = "nur deutsch";
  pin->m_mapAccess["VHDLA"] = "p_term";
  pins.Add(pin);
  ASSERT_EQ(ZLSetNodesCByBookmark(hDB, bookmark, pins), 1);
  ZLFreeObjectArray(pins);
  ASSERT_EQ(ZLSetSymbolByBookmark(hDB, bookmark, 1031, ""), 1);  // empty, not missing
  ASSERT_EQ(ZLCloseDatabase(hDB), 1);
  // The text form leaves the missing language out too.
  const std::string text = Run({"show", m_file, "1"}).out;
  EXPECT_NE(text.find("  pins 1 info 1031:  nur deutsch\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("pins 1 info 1033"), std::string::npos) << text;
  const json record = Show({"1"});
  EXPECT_EQ(record["pins"][0]["info"], json::parse(R"({"1031": "nur deutsch"})"));
  EXPECT_EQ(record["pins"][0]["access"], json::parse(R"({"VHDLA": "p_term"})"));
  EXPECT_EQ(record["symbols"], json::parse(R"({"1031": ""})"));
  EXPECT_EQ(record["keywords"], json::object());
}

// A copy goes into the folder as its last child; a folder with children is
// refused; deleting the copy takes its neighbour's link with it.
TEST_F(ShowTest, CopyIntoAFolderAndDeleteAgain) {
  Demo();
  const json copied = Run({"copy", m_file, "35", m_file, "--parent", "7", "--json"}).Json();
  ASSERT_TRUE(copied["changed"].get<bool>()) << copied.dump();
  const long id = copied["id"].get<long>();
  const json shown = Show({std::to_string(id)});
  EXPECT_EQ(shown["definitionName"], "TL072") << shown.dump();
  EXPECT_EQ(shown["macros"].size(), 2u);
  EXPECT_EQ(shown["links"]["parent"], 7);
  EXPECT_EQ(shown["links"]["prev"], 38);  // the folder's last child before
  const json children =
      Run({"tree", m_file, "--from", "7", "--json"}).Json()["tree"][0]["children"];
  ASSERT_EQ(children.size(), 7u);
  EXPECT_EQ(children[6]["id"], id);
  ExpectRefused({"delete", m_file, "7"}, 1, "has children");
  EXPECT_EQ(Run({"delete", m_file, std::to_string(id)}).status, 0);
  EXPECT_EQ(Run({"show", m_file, std::to_string(id)}).status, 1);
  EXPECT_EQ(Show({"38"})["links"]["next"], nullptr);
  // Into a library without the languages: refused, nothing written.
  const std::string other = m_dir.File("other.zdb");
  ASSERT_EQ(Run({"create", other}).status, 0);
  ExpectRefused({"copy", m_file, "35", other}, 1, "copying the record");
  EXPECT_EQ(Run({"tree", other}).out, "(empty tree)\n");
}

}  // namespace
