// The example session in the README is what the tool prints: every
// "$ zldb ..." line of it is run in order, and its output (standard output,
// then standard error) must equal the indented lines that follow it.
#include <fstream>
#include <sstream>

#include "tool_fixture.h"

namespace {

struct SessionStep {
  std::vector<std::string> args;
  std::string expected;
};

std::vector<SessionStep> ReadSession(const std::string& path) {
  std::ifstream in(path);
  std::vector<SessionStep> steps;
  const std::string prompt = "    $ zldb ", indent = "    ";
  std::string line;
  bool inSession = false;
  while (std::getline(in, line)) {
    if (line.rfind(prompt, 0) == 0) {
      std::istringstream words(line.substr(prompt.size()));
      steps.push_back({});
      for (std::string word; words >> word;) steps.back().args.push_back(word);
      inSession = true;
    } else if (inSession && line.rfind(indent, 0) == 0) {
      steps.back().expected += line.substr(indent.size()) + "\n";
    } else {
      inSession = false;
    }
  }
  return steps;
}

TEST_F(ToolTest, TheReadmeSessionMatchesTheTool) {
  const std::vector<SessionStep> steps = ReadSession(ZL_README_PATH);
  ASSERT_GE(steps.size(), 5u) << "no example session in " << ZL_README_PATH;
  for (const SessionStep& step : steps) {
    const RunResult run = Run(step.args);
    EXPECT_EQ(run.out + run.err, step.expected) << "zldb " << step.args[0];
  }
}

}  // namespace
