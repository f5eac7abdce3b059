// What the commands do: changes and their exit codes, the tree and show
// forms, and JSON that stays valid with texts that are not UTF-8.
#include "tool_fixture.h"
#include "zldbctrl70.h"

namespace {

using nlohmann::json;

// Adding what is there exits 0 and says nothing changed; removing what is
// not there exits 1 and lists what is.
TEST_F(ToolTest, AddAndRemoveFollowOneRule) {
  ASSERT_EQ(Run({"create", m_file}).status, 0);
  const struct {
    std::vector<std::string> args;
    int status;
    bool changed;
  } steps[] = {
      {{"add-language", m_file, "0x040c", "--json"}, 0, true},
      {{"add-language", m_file, "1036", "--json"}, 0, false},
      {{"add-simtable", m_file, "call", "SPICE", "--json"}, 0, true},
      {{"add-simtable", m_file, "call", "SPICE", "--json"}, 0, false},
      {{"add-simtable", m_file, "package", "VHDLA", "--json"}, 0, true},
      {{"add-simtable", m_file, "package", "VHDLA", "--json"}, 0, false},
      {{"remove-simtable", m_file, "call", "SPICE", "--json"}, 0, true},
      {{"remove-language", m_file, "1036", "--json"}, 0, true},
  };
  for (const auto& step : steps) {
    const RunResult run = Run(step.args);
    EXPECT_EQ(run.status, step.status) << step.args[0] << ": " << run.err;
    EXPECT_EQ(run.Json()["changed"], step.changed) << step.args[0];
  }
  ExpectRefused({"remove-simtable", m_file, "package", "Vhdla"}, 1,
                "has no package table for Vhdla (package tables: VHDLA)");
  ExpectRefused({"remove-language", m_file, "1036"}, 1,
                "has no resource language 1036 (its languages: none)");
  ASSERT_EQ(Run({"add-simtable", m_file, "macro", "SPICE"}).status, 0);
  const RunResult differs = Run({"add-simtable", m_file, "macro", "SPICE", "--exclusive"});
  EXPECT_EQ(differs.status, 1);
  EXPECT_TRUE(differs.ErrHas("it is not exclusive; nothing changed")) << differs.err;
  const json tables = Run({"languages", m_file, "--json"}).Json();
  EXPECT_EQ(tables["resourceLanguages"], json::array());
  EXPECT_EQ(tables["simulatorTables"],
            json::parse(R"([{"language":"SPICE","kind":"macro","exclusive":false},
                            {"language":"VHDLA","kind":"package","exclusive":true}])"));
}

// A part of the tree, and records found by ID or by definition name.
TEST_F(ToolTest, TreePartsAndShowByName) {
  Demo();
  const RunResult missing = Run({"tree", m_file, "--lang", "1036"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_TRUE(
      missing.ErrHas(m_file + ": has no resource language 1036 (its languages: 1033, 1031)"))
      << missing.err;
  EXPECT_TRUE(missing.out.empty());

  const json whole = Run({"tree", m_file, "--json"}).Json();
  const json& opamps = whole["tree"][0]["children"][2];
  ASSERT_EQ(opamps["title"], "Operational amplifiers") << whole.dump();
  const long folder = opamps["id"];
  const json part = Run({"tree", m_file, "--from", std::to_string(folder), "--json"}).Json();
  EXPECT_EQ(part["tree"], json::array({opamps}));  // the folder alone, not its siblings
  const json shallow =
      Run({"tree", m_file, "--from", std::to_string(folder), "--depth", "0", "--json"}).Json();
  EXPECT_EQ(shallow["tree"][0]["children"], json::array());
  EXPECT_EQ(shallow["tree"][0]["more"], true);

  json tl072;
  for (const json& model : opamps["children"]) {
    if (model["defName"] == "TL072") tl072 = model;
  }
  ASSERT_TRUE(tl072.is_object());
  const json byName = Run({"show", m_file, "TL072", "--json"}).Json();
  EXPECT_EQ(byName, Run({"show", m_file, "#" + tl072["id"].dump(), "--json"}).Json());
  EXPECT_EQ(byName["id"], tl072["id"]);
  EXPECT_EQ(byName["links"]["parent"], folder);
  EXPECT_EQ(byName["path"], "\\\\Model Library\\\\Operational amplifiers");

  void* hDB = ZLOpenDatabase(m_file.c_str(), eOpenReadWriteNoLogin);
  ASSERT_NE(hDB, nullptr);
  ASSERT_EQ(ZLSetDefNameByID(hDB, folder, "TL072"), 1);
  ASSERT_EQ(ZLCloseDatabase(hDB), 1);
  ExpectRefused({"show", m_file, "TL072"}, 1,
                "2 records have definition name 'TL072' (#" + std::to_string(folder));
  ExpectRefused({"show", m_file, "--name", "7"}, 1, "has no record with definition name '7'");
  ExpectRefused({"show", m_file, "99999"}, 1, m_file + ": has no record #99999");
}

// Stored bytes that are not UTF-8 reach JSON as U+FFFD, with a warning.
TEST_F(ToolTest, JsonStaysValidWithTextsThatAreNotUtf8) {
  Demo();
  const char bad[] = "caf\xE9 \xC3\x28 \xED\xA0\x80 ok";  // Latin-1, cut, surrogate
  const std::string fixed = "caf\xEF\xBF\xBD \xEF\xBF\xBD( \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD ok";
  void* hDB = ZLOpenDatabase(m_file.c_str(), eOpenReadWriteNoLogin);
  ASSERT_NE(hDB, nullptr);
  ASSERT_EQ(ZLSetTitleByID(hDB, 1, 1033, bad, 0), 1);
  ASSERT_EQ(ZLSetDatabaseInfo(hDB, bad), 1);
  ASSERT_EQ(ZLCloseDatabase(hDB), 1);

  const RunResult tree = Run({"tree", m_file, "--json"});
  EXPECT_EQ(tree.Json()["tree"][0]["title"], fixed);
  EXPECT_TRUE(tree.ErrHas("1 text(s) held bytes that are not UTF-8 (the first at /tree/0/title)"))
      << tree.err;
  EXPECT_EQ(Run({"show", m_file, "1", "--json"}).Json()["titles"]["1033"], fixed);
  EXPECT_EQ(Run({"info", m_file, "--json"}).Json()["info"], fixed);
  // The text form shows the stored bytes.
  EXPECT_NE(Run({"tree", m_file}).out.find(bad), std::string::npos);
}

}  // namespace
