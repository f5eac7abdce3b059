// zldb show's pins, parameters, files, keywords and symbols, on the sample
// library and on a model whose texts exist in one language only.
#include "tool_fixture.h"
#include "zldbctrl70.h"

namespace {

using json = nlohmann::json;

// The text form of the demo's content is the README session's; here the
// JSON form, and a folder's empty sections.
TEST_F(ToolTest, ShowListsTheModelContentTheDemoWrote) {
  Demo();
  const json model = Run({"show", m_file, "TL072", "--json"}).Json();
  EXPECT_EQ(model["pins"][0], json::parse(R"({"name": "in", "type": 0,
      "info": {"1033": "Input terminal", "1031": "Eingangsanschluss"},
      "access": {"Spice": "in"}})"));
  EXPECT_EQ(model["files"], json::parse(R"([{"name": "tl072.cir", "type": 1, "size": 19}])"));
  EXPECT_EQ(model["keywords"]["1031"], json::array({"Demo", "analog", "tl072"}));
  const json folder = Run({"show", m_file, "#1", "--json"}).Json();
  for (const char* key : {"pins", "parameters", "files"}) EXPECT_EQ(folder[key], json::array());
  for (const char* key : {"keywords", "symbols"}) EXPECT_EQ(folder[key], json::object());
}

TEST_F(ToolTest, ShowNamesLanguagesAsTheyAreAndLeavesOutMissingTexts) {
  ASSERT_EQ(Run({"create", m_file}).status, 0);
  void* hDB = ZLOpenDatabase(m_file.c_str(), eOpenReadWriteNoLogin);
  ASSERT_NE(hDB, nullptr);
  ASSERT_EQ(ZLAddResourceTable(hDB, 1033), 1);
  ASSERT_EQ(ZLAddResourceTable(hDB, 1031), 1);
  ASSERT_EQ(ZLAddAccessTable(hDB, "VHDLA"), 1);
  COleVariant bookmark;
  long id = 0;
  ASSERT_EQ(ZLCreateNewRecord(hDB, bookmark), 1);
  ASSERT_EQ(ZLGetIDByBookmark(hDB, bookmark, id), 1);
  CZLNodeArray pins;
  auto* pin = new CZLNodeObject;
  pin->m_strName = "p";
  pin->m_strValue = "0";
  pin->m_mapInfo[1031] = "nur deutsch";
  pin->m_mapAccess["VHDLA"] = "p_term";
  pins.Add(pin);
  ASSERT_EQ(ZLSetNodesCByID(hDB, id, pins), 1);
  ZLFreeObjectArray(pins);
  ASSERT_EQ(ZLSetSymbolByID(hDB, id, 1031, ""), 1);  // empty, not missing
  ASSERT_EQ(ZLCloseDatabase(hDB), 1);

  const RunResult text = Run({"show", m_file, std::to_string(id)});
  ASSERT_EQ(text.status, 0) << text.err;
  EXPECT_NE(text.out.find("  pins 1 value:      0\n"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("  pins 1 info 1031:  nur deutsch\n"), std::string::npos) << text.out;
  EXPECT_EQ(text.out.find("pins 1 info 1033"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("  pins 1 access VHDLA: p_term\n"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("  keywords:          -\n"), std::string::npos) << text.out;
  const json record = Run({"show", m_file, std::to_string(id), "--json"}).Json();
  EXPECT_EQ(record["symbols"], json::parse(R"({"1031": ""})"));
}

}  // namespace
