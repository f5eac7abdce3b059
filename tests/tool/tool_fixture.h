// Runs the zldb tool of this build on files in a fresh temporary folder.
// The tool must exist: a missing tool fails every test instead of skipping.
// With ZL_TEST_BACKEND=postgres the main library (m_file) is the test
// server's database, emptied; the other libraries a test makes stay files.
#ifndef ZLDBCTRL70_TESTS_TOOL_TOOL_FIXTURE_H_
#define ZLDBCTRL70_TESTS_TOOL_TOOL_FIXTURE_H_

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "platform/scratch_dir.h"
#include "support/test_backend.h"

struct RunResult {
  int status = -1;
  std::string out, err;
  // The output parsed as JSON; a parse failure fails the test.
  nlohmann::json Json() const {
    try {
      return nlohmann::json::parse(out);
    } catch (const nlohmann::json::exception& e) {
      ADD_FAILURE() << "not JSON (" << e.what() << "): " << out;
      return nullptr;
    }
  }
  bool ErrHas(const std::string& text) const { return err.find(text) != std::string::npos; }
};

class ToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* env = std::getenv("ZLDB");
    m_tool = env != nullptr ? env : ZLDB_TOOL_PATH;
    ASSERT_TRUE(std::filesystem::exists(m_tool)) << "zldb is missing at " << m_tool;
    ASSERT_TRUE(m_dir.Ok());
    m_file = testbackend::OnServer() ? EmptyServer() : m_dir.File("lib.zdb");
  }

  // The test server's database without a library, and its name.
  std::string EmptyServer() {
    const std::string uri = std::getenv("ZL_PG_URI");
    const std::string empty =
        "psql -q " + Quote(uri) + " -c " + Quote(testbackend::kEmptyServerSql);
    EXPECT_EQ(std::system(empty.c_str()), 0);
    return uri;
  }

  // Runs zldb with args in the scratch folder; stdout goes to a file unless
  // another target is given.  A time limit turns a hang into a failure.
  RunResult Run(const std::vector<std::string>& args, const std::string& target = "",
                const std::string& prefix = "") {
    const std::string out = m_dir.File(".out"), err = m_dir.File(".err");
    std::string command =
        "cd " + Quote(m_dir.Path()) + " && " + prefix + " timeout 60 " + Quote(m_tool);
    for (const std::string& arg : args) command += " " + Quote(arg);
    command += " >" + Quote(target.empty() ? out : target) + " 2>" + Quote(err);
    const int status = std::system(command.c_str());
    RunResult result{WIFEXITED(status) ? WEXITSTATUS(status) : -1, CScratchDir::Read(out),
                     CScratchDir::Read(err)};
    std::filesystem::remove(out);
    std::filesystem::remove(err);
    return result;
  }

  // Runs zldb and expects the exit status and a text on standard error.
  void ExpectRefused(const std::vector<std::string>& args, int status, const std::string& text) {
    const RunResult run = Run(args);
    EXPECT_EQ(run.status, status) << args[0];
    EXPECT_TRUE(run.ErrHas(text)) << args[0] << ": " << run.err;
  }

  // Writes the sample library into m_file.
  void Demo() { ASSERT_EQ(Run({"demo", m_file}).status, 0); }

  // The names in the scratch folder.
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(m_dir.Path())) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }

  static std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
  }

  CScratchDir m_dir;
  std::string m_tool, m_file;
};

#endif  // ZLDBCTRL70_TESTS_TOOL_TOOL_FIXTURE_H_
