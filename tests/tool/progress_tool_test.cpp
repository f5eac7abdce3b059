// Long commands show their progress on a terminal only, and zldb demo
// --models N writes libraries of any size.
#include "tool/tool_fixture.h"

namespace {

class TerminalTest : public ToolTest {
 protected:
  // Runs zldb with args in the scratch folder on a terminal (script gives
  // it one) and returns what the terminal showed.
  std::string OnTerminal(const std::vector<std::string>& args) {
    std::string command = "cd " + Quote(m_dir.Path()) + " && " + Quote(m_tool);
    for (const std::string& arg : args) command += " " + Quote(arg);
    const std::string out = m_dir.File("terminal.txt");
    std::system(("script -qec " + Quote(command) + " /dev/null >" + Quote(out)).c_str());
    return CScratchDir::Read(out);
  }
};

TEST_F(ToolTest, DemoWritesTheModelsAskedFor) {
  const RunResult demo = Run({"demo", m_file, "--models", "95"});
  ASSERT_EQ(demo.status, 0) << demo.err;
  EXPECT_NE(demo.out.find("10 folders and 95 models"), std::string::npos) << demo.out;
  // The 41st model repeats the first under a new name; copies of the
  // operational amplifiers get their parameter sets too.
  const RunResult copy = Run({"show", m_file, "OP07_2", "--json"});
  ASSERT_EQ(copy.status, 0) << copy.err;
  EXPECT_EQ(copy.Json()["parameterSets"].size(), 2u);
  EXPECT_EQ(Run({"show", m_file, "OP07_3"}).status, 1);
  EXPECT_EQ(Run({"check", m_file}).status, 0);
  EXPECT_EQ(Run({"demo", m_dir.File("x.zdb"), "--models", "-1"}).status, 2);
}

// Each long command on a terminal draws a progress line; piped, standard
// error stays empty.
TEST_F(TerminalTest, ProgressShowsOnATerminalOnly) {
  Demo();
  const struct {
    std::vector<std::string> args;
    const char* shown;
  } cases[] = {
      {{"demo", "big.zdb", "--models", "150"}, "demo: records 150/150 (100%)"},
      {{"check", "lib.zdb"}, "checking "},
      {{"repair", "lib.zdb"}, "repairing lib.zdb ..."},
      {{"export", "lib.zdb", "lib.json"}, "exporting records 50/50 (100%)"},
  };
  for (const auto& c : cases) {
    const RunResult piped = Run(c.args);
    EXPECT_EQ(piped.status, 0) << c.args[0] << ": " << piped.err;
    EXPECT_EQ(piped.err, "") << c.args[0];
    std::filesystem::remove(m_dir.File("big.zdb"));
    const std::string terminal = OnTerminal(c.args);
    EXPECT_NE(terminal.find(c.shown), std::string::npos) << c.args[0] << ": " << terminal;
  }
}

}  // namespace
