// Parsing the command line: help for every command, strict numbers and
// names, unknown commands and options named with a suggestion.
#include <algorithm>

#include "tool_fixture.h"
#include "zldbctrl70.h"

namespace {

using Args = std::vector<std::string>;

TEST_F(ToolTest, EveryCommandHasHelpThatCreatesNothing) {
  for (const std::string command :
       {"create", "info", "languages", "add-language", "remove-language", "add-simtable",
        "remove-simtable", "demo", "tree", "show"}) {
    for (const std::string flag : {"--help", "-h"}) {
      const RunResult help = Run({command, flag});
      EXPECT_EQ(help.status, 0) << command << " " << flag << ": " << help.err;
      EXPECT_NE(help.out.find("Usage: zldb " + command), std::string::npos) << help.out;
      EXPECT_NE(help.out.find("Exit status"), std::string::npos) << command;
    }
  }
  EXPECT_EQ(Run({"--help"}).status, 0);
  EXPECT_TRUE(Files().empty());
  // A duplicated flag is no file name either; -- makes one of a dash name.
  EXPECT_EQ(Run({"create", "a.zdb", "--json", "--json"}).status, 0);
  EXPECT_EQ(Run({"create", "--", "-b.zdb"}).status, 0);
  std::vector<std::string> files = Files();
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{"-b.zdb", "a.zdb"}));
}

// Wrong lines exit 2, change nothing and name the offending argument.
TEST_F(ToolTest, WrongArgumentsAreNamedAndChangeNothing) {
  Demo();
  const struct {
    Args args;
    const char* named;
  } cases[] = {
      {{"add-language", m_file, "01033"}, "'01033' has a leading zero"},
      {{"add-language", m_file, "--", "-18446744073709551615"}, "'-18446744073709551615'"},
      {{"add-language", m_file, " 7"}, "' 7' is not a language ID"},
      {{"add-language", m_file, "0"}, "'0' is out of range"},
      {{"add-language", m_file, "65535"}, "'65535' is out of range"},
      {{"add-language", m_file, "0x10000"}, "'0x10000' is out of range"},
      {{"show", m_file, "99999999999999999999"}, "'99999999999999999999' is out of range"},
      {{"show", m_file, "2147483648"}, "'2147483648' is out of range"},
      {{"tree", m_file, "--from", "0x10"}, "'0x10' is not a record ID"},
      {{"tree", m_file, "--depth", "010"}, "'010' is not a count"},
      {{"tree", m_file, "--timeout=1.5"}, "'1.5' is not a number of seconds"},
      {{"add-language", m_file, "1036", "--timeout", "86401"}, "'86401' is not a number of"},
      {{"add-simtable", m_file, "call", ""}, "'' is not a simulator-language name"},
      {{"add-simtable", m_file, "calls", "SPICE"}, "'calls' is not a table kind"},
      {{"add-simtable", m_file, "access", "SPICE", "--exclusive"}, "--exclusive applies only"},
      {{"tre", m_file}, "unknown command 'tre'; did you mean 'tree'?"},
      {{"tree", m_file, "--jsn"}, "unknown option '--jsn'; did you mean '--json'?"},
      {{"tree", m_file, "extra"}, "unexpected argument 'extra'"},
      {{"create", ""}, "the file name is empty"},
      {{"info"}, "FILE is required"},
  };
  for (const auto& c : cases) {
    const RunResult run = Run(c.args);
    EXPECT_EQ(run.status, 2) << c.named << ": " << run.err;
    EXPECT_TRUE(run.ErrHas(c.named)) << run.err;
    EXPECT_TRUE(run.out.empty()) << run.out;
  }
  const RunResult languages = Run({"languages", m_file, "--json"});
  EXPECT_EQ(languages.Json()["resourceLanguages"], nlohmann::json::parse("[1033,1031]"));
  // The sample's own: macro and call tables of Spice and VHDLA, VHDLA's package table,
  // Spice's access table.
  EXPECT_EQ(languages.Json()["simulatorTables"].size(), 6u);
}

// --opt=value, hexadecimal language IDs and #ID as tree prints it.
TEST_F(ToolTest, OptionFormsAndNumberFormsAgree) {
  Demo();
  const RunResult plain = Run({"tree", m_file, "--lang", "1031", "--from", "7", "--json"});
  ASSERT_EQ(plain.status, 0) << plain.err;
  const RunResult other = Run({"tree", m_file, "--lang=0x0407", "--from=#7", "--json"});
  ASSERT_EQ(other.status, 0) << other.err;
  EXPECT_EQ(plain.Json(), other.Json());
  EXPECT_EQ(plain.Json()["language"], 1031);
}

}  // namespace
