// zldb import-spice, export-spice and check-models: the SPICE models that
// KiCad's demos ship (Debian package kicad-demos) imported, exported,
// imported again and loaded by ngspice; hand-written files for each failure
// report.
#include <filesystem>

#include "tool_fixture.h"
#include "zldbctrl70.h"

namespace {

using json = nlohmann::json;

const char kDemos[] = "/usr/share/kicad/demos/simulation/";
const char* const kDemoFiles[] = {"rectifier/diode.mod", "sallen_key/ad8051.lib",
                                  "laser_driver/ad8009.lib", "laser_driver/fzt1049a.lib",
                                  "laser_driver/laser.lib"};

class SpiceToolTest : public ToolTest {
 protected:
  void SetUp() override {
    ToolTest::SetUp();
    ASSERT_EQ(Run({"create", m_file}).status, 0);
  }
  json Show(const std::string& name) { return Run({"show", m_file, name, "--json"}).Json(); }
  // Every model's record, as show prints it, by definition name.
  json ShowAll(const std::vector<std::string>& names) {
    json all;
    for (const std::string& name : names) all[name] = Show(name);
    return all;
  }
};

TEST_F(SpiceToolTest, KicadModelsImportExportReimportAndLoadInNgspice) {
  if (!std::filesystem::exists(kDemos)) GTEST_SKIP() << "kicad-demos is not installed";
  std::vector<std::string> args = {"import-spice", m_file, "--folder", "Vendors/KiCad", "--json"};
  for (const char* file : kDemoFiles) args.push_back(kDemos + std::string(file));
  const RunResult imported = Run(args);
  ASSERT_EQ(imported.status, 0) << imported.err;
  const json report = imported.Json();
  for (const json& file : report["imports"]) {
    EXPECT_EQ(file["created"], 1) << file.dump();
    EXPECT_EQ(file["skipped"], 0) << file.dump();
  }
  const json opamp = Show("AD8051");
  EXPECT_EQ(opamp["titles"]["1033"], "AD8051 SPICE Macro-model");
  EXPECT_EQ(opamp["calls"][0]["text"], "X1 1 2 99 50 45 AD8051");
  ASSERT_EQ(opamp["pins"].size(), 5u);
  EXPECT_EQ(opamp["pins"][2]["name"], "99");
  EXPECT_EQ(opamp["parameters"], json::array());
  // From .SUBCKT to .ENDS, inner models included: 79 lines, 1355 bytes.
  EXPECT_EQ(opamp["macros"][0]["textLength"], 1355);
  const json bjt = Show("FZT1049A");  // one long line without a line end
  ASSERT_EQ(bjt["parameters"].size(), 24u);
  EXPECT_EQ(bjt["parameters"][0]["value"], "1.5E-12");
  EXPECT_EQ(bjt["parameters"][23]["name"], "TR");
  EXPECT_EQ(bjt["parameters"][23]["access"]["Spice"], "TR");
  EXPECT_EQ(bjt["calls"][0]["text"], "Q1 C B E FZT1049A");
  EXPECT_EQ(Show("LASER")["calls"][0]["text"], "D1 A K LASER");
  EXPECT_EQ(Show("1N4148")["titles"]["1033"], "generic diode model");  // CRLF file
  EXPECT_EQ(Show("AD8009")["parameters"], json::array());

  const std::vector<std::string> names = {"1N4148", "AD8051", "AD8009", "FZT1049A", "LASER"};
  const json before = ShowAll(names);
  const std::string first = m_dir.File("first.lib"), second = m_dir.File("second.lib");
  ASSERT_EQ(Run({"export-spice", m_file, "-o", first}).status, 0);
  const RunResult again = Run({"import-spice", m_file, first, "--json"});
  ASSERT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(again.Json()["imports"][0]["updated"], 5) << again.out;
  EXPECT_EQ(ShowAll(names), before);  // same records, nodes, macros and call lines
  ASSERT_EQ(Run({"export-spice", m_file, "--folder", "Vendors/KiCad", "-o", second}).status, 0);
  EXPECT_EQ(CScratchDir::Read(second), CScratchDir::Read(first));

  const RunResult checked = Run({"check-models", m_file, "--simlang", "Spice", "--json"});
  EXPECT_EQ(checked.status, 0) << checked.out << checked.err;
  EXPECT_EQ(checked.Json()["passed"], 5) << checked.out;
}

TEST_F(SpiceToolTest, ImportReportsSkipsAndRefusesWholeFiles) {
  const std::string notes =
      m_dir.Write("notes.lib",
                  ".include other.lib\n* first\n.model DA D(IS=1)\n.model da D(IS=2)\n"
                  ".subckt S 1\n.control\n.endc\n.ends\n"
                  ".model " +
                      std::string(51, 'N') + " D\n");
  const std::string cut = m_dir.Write("cut.lib", ".model DB D\n.subckt OPEN 1 2\nR1 1 2 1k\n");
  const RunResult run = Run({"import-spice", m_file, notes, cut});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, notes + ":1: skipped: not followed: .include other.lib\n" + notes +
                         ":3: created DA #1\n" + notes +
                         ":4: skipped da: defined a second time in this file\n" + notes +
                         ":6: skipped S: .control inside the definition is not understood\n" +
                         notes + ":9: skipped " + std::string(51, 'N') +
                         ": the name is longer than 50 characters\n");
  EXPECT_EQ(run.err, "zldb: " + cut + ":2: .SUBCKT OPEN has no .ENDS; nothing imported\n");
  EXPECT_EQ(Run({"show", m_file, "DB"}).status, 1);  // nothing of cut.lib
  // The folder path is made once, then found; nothing new for known names.
  const std::string one = m_dir.Write("one.lib", ".model DF D\n");
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(Run({"import-spice", m_file, one, notes, "--folder", "A/B"}).status, 0);
  }
  EXPECT_EQ(Run({"tree", m_file}).out,
            "- first  [DA]  #1\n+ A  #2\n  + B  #3\n    - (no title)  [DF]  #4\n");

  // A failure in the middle of a file takes back what the file wrote before
  // it: here a stored macro that does not decode.
  void* hDB = ZLOpenDatabase(m_file.c_str(), eOpenReadWriteNoLogin);
  ASSERT_NE(hDB, nullptr);
  CZLMacroObject stored;
  ASSERT_EQ(ZLGetMacroByID(hDB, 1, "Spice", "DA", stored, ZL_MACRO_ACCESS), 1);
  CZLBinaryMacroObject broken;
  broken.m_lMacroID = stored.m_lMacroID;
  const unsigned char garbage[] = {0xFF, 0x01, 0x02};
  broken.m_lbMacroText.Assign(garbage, sizeof garbage);
  broken.m_lState = 0x8000;
  broken.m_dwLevel = 1;
  broken.m_strDefName = "DA";
  ASSERT_EQ(ZLSetMacroByID(hDB, 1, "Spice", broken), 1);
  ASSERT_EQ(ZLCloseDatabase(hDB), 1);
  const std::string two = m_dir.Write("two.lib", ".model DC D\n.model DA D\n");
  ExpectRefused({"import-spice", m_file, two}, 1,
                two + ": nothing imported (the library is as it was)");
  EXPECT_EQ(Run({"show", m_file, "DC"}).status, 1);
}

TEST_F(SpiceToolTest, CheckModelsReportsNgspiceMessagesTimeoutsAndSkips) {
  if (std::system("command -v ngspice >/dev/null") != 0) GTEST_SKIP() << "ngspice is missing";
  const std::string lib =
      m_dir.Write("mixed.lib",
                  ".model GOOD D(IS=1e-14)\n.subckt BROKEN 1 2\nR1 1 2 1k\nD1 1 2 NOMODEL\n.ends\n"
                  ".model ODD xyz\n");
  ASSERT_EQ(Run({"import-spice", m_file, lib}).status, 0);
  const RunResult run = Run({"check-models", m_file, "--simlang", "Spice", "--json"});
  EXPECT_EQ(run.status, 1);
  const json models = run.Json()["models"];
  ASSERT_EQ(models.size(), 3u) << run.out;
  EXPECT_EQ(models[0]["result"], "passed");
  EXPECT_EQ(models[1]["result"], "failed");
  EXPECT_NE(models[1]["message"].get<std::string>().find("could not find a valid modelname"),
            std::string::npos)
      << models[1];
  EXPECT_EQ(models[2]["result"], "skipped");
  const RunResult text = Run({"check-models", m_file, "--simlang", "Spice", "--jobs", "1"});
  EXPECT_NE(text.out.find("#2 BROKEN: failed\n    Error on line"), std::string::npos) << text.out;

  // A simulator that does not answer is stopped; one that is missing is named.
  const std::string slow = m_dir.Write("slow.sh", "#!/bin/sh\nexec sleep 30\n");
  std::filesystem::permissions(slow, std::filesystem::perms::owner_exec,
                               std::filesystem::perm_options::add);
  const RunResult stopped =
      Run({"check-models", m_file, "--simlang", "Spice", "--time-limit", "1", "--json"}, "",
          "ZLDB_NGSPICE=" + Quote(slow));
  EXPECT_EQ(stopped.status, 1);
  EXPECT_EQ(stopped.Json()["models"][0]["message"],
            "ngspice did not finish within 1 s and was stopped");
  const RunResult missing =
      Run({"check-models", m_file, "--simlang", "Spice"}, "", "ZLDB_NGSPICE=/nonexistent/ngspice");
  EXPECT_EQ(missing.status, 1);
  EXPECT_TRUE(missing.ErrHas("/nonexistent/ngspice is not installed")) << missing.err;
}

}  // namespace
