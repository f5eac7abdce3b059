// Messages name the file and the cause; output that cannot be written is an
// error.
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "tool_fixture.h"
#include "zldbctrl70.h"

namespace {

TEST_F(ToolTest, OpenFailuresNameTheFileAndTheCause) {
  std::filesystem::create_directory(m_dir.File("folder"));
  m_dir.Write("empty.zdb", "");
  m_dir.Write("text.zdb", "just some text\n");
  sqlite3* plain = nullptr;
  ASSERT_EQ(sqlite3_open(m_dir.File("plain.db").c_str(), &plain), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(plain, "CREATE TABLE t(a)", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(plain);
  const struct {
    std::string file;
    const char* cause;
  } cases[] = {
      {"missing.zdb", "no such file"},
      {"nofolder/x.zdb", "no such file; the folder nofolder does not exist"},
      {"folder", "is a folder"},
      {"empty.zdb", "is an empty file"},
      {"text.zdb", "is not a model library (it is not an SQLite database file)"},
      {"plain.db", "is an SQLite database but not a model library"},
  };
  for (const auto& c : cases)
    ExpectRefused({"info", c.file}, 1, "zldb: " + c.file + ": " + c.cause);
  ASSERT_EQ(Run({"create", "new.zdb"}).status, 0);
  for (const auto& [file, cause] :
       {std::pair<std::string, std::string>{"new.zdb", "already exists"},
        {"folder", "is a folder"},
        {"nofolder/x.zdb", "the folder nofolder does not exist"}}) {
    ExpectRefused({"create", file}, 1, "zldb: " + file + ": " + cause);
  }
}

// A folder that cannot be written is named as the cause of a failed write,
// not another user; checked as an unprivileged user (root may write
// anywhere).
TEST_F(ToolTest, AReadOnlyFolderIsNamed) {
  if (testbackend::OnServer()) GTEST_SKIP() << "folder permissions of a file";
  Demo();
  const bool root = ::geteuid() == 0;
  if (root && std::system("command -v setpriv >/dev/null") != 0) {
    GTEST_SKIP() << "running as root without setpriv to drop privileges";
  }
  const std::string user = root ? "setpriv --reuid=65534 --regid=65534 --clear-groups" : "";
  ASSERT_EQ(::chmod(m_file.c_str(), 0666), 0);
  ASSERT_EQ(::chmod(m_dir.Path().c_str(), 0555), 0);
  const RunResult write = Run({"add-language", m_file, "1036"}, "/dev/null", user);
  const RunResult read = Run({"tree", m_file}, "/dev/null", user);
  ASSERT_EQ(::chmod(m_dir.Path().c_str(), 0700), 0);
  EXPECT_EQ(write.status, 1);
  EXPECT_TRUE(write.ErrHas(m_file + ": the folder " + m_dir.Path() + " cannot be written"))
      << write.err;
  EXPECT_FALSE(write.ErrHas("another")) << write.err;
  EXPECT_EQ(read.status, 0) << read.err;  // reading needs no writable folder
}

// Another process writing the file: on a terminal (script gives the tool
// one) the wait is announced after a second; the message says so and how
// long it waited.
TEST_F(ToolTest, ALockHeldElsewhereIsNamedWithTheWait) {
  if (testbackend::OnServer()) GTEST_SKIP() << "a file lock";
  Demo();
  sqlite3* holder = nullptr;
  ASSERT_EQ(sqlite3_open(m_file.c_str(), &holder), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  const std::string command = Quote(m_tool) + " add-language " + Quote(m_file) + " 1036";
  const std::string out = m_dir.File("terminal.txt");
  const int status =
      std::system(("script -qec " + Quote(command) + " /dev/null >" + Quote(out)).c_str());
  const std::string terminal = CScratchDir::Read(out);
  sqlite3_close(holder);
  EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 1);
  EXPECT_NE(terminal.find(m_file + ": waiting for a lock that another process holds"),
            std::string::npos)
      << terminal;
  EXPECT_NE(terminal.find(m_file + ": adding language 1036 failed: is locked by another process"),
            std::string::npos)
      << terminal;
  EXPECT_NE(terminal.find("gave up after"), std::string::npos) << terminal;
  EXPECT_EQ(Run({"add-language", m_file, "1036"}).status, 0);
}

// --timeout sets the wait: 0 gives up at once; a wait longer than the
// library's default of 5 s outlasts a lock held for 6 s.
TEST_F(ToolTest, TimeoutSetsTheWaitForALock) {
  if (testbackend::OnServer()) GTEST_SKIP() << "a file lock";
  Demo();
  sqlite3* holder = nullptr;
  ASSERT_EQ(sqlite3_open(m_file.c_str(), &holder), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  ExpectRefused({"add-language", m_file, "1036", "--timeout", "0"}, 1,
                "is locked by another process");
  std::thread release([&] {
    std::this_thread::sleep_for(std::chrono::seconds(6));
    sqlite3_close(holder);
  });
  const RunResult waited = Run({"add-language", m_file, "1036", "--timeout=120"});
  release.join();
  EXPECT_EQ(waited.status, 0) << waited.err;
  EXPECT_EQ(waited.out, "language 1036 added\n");
}

TEST_F(ToolTest, OutputThatCannotBeWrittenFails) {
  Demo();
  for (const std::vector<std::string>& args : {std::vector<std::string>{"tree", m_file},
                                               {"info", m_file, "--json"},
                                               {"show", m_file, "TL072"},
                                               {"languages", m_file}}) {
    const RunResult run = Run(args, "/dev/full");
    EXPECT_EQ(run.status, 1) << args[0];
    EXPECT_TRUE(run.ErrHas("cannot write the output: No space left on device")) << run.err;
  }
}

}  // namespace
