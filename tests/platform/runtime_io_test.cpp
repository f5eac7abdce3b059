#include "zldbctrl70/platform/runtime_io.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <set>
#include <string>

#include "platform/scratch_dir.h"

namespace {

int CountEntries(const std::string& dir) {
  return static_cast<int>(std::distance(std::filesystem::directory_iterator(dir),
                                        std::filesystem::directory_iterator()));
}

TEST(FullPathTest, NormalisesRelativeAndAbsolutePaths) {
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  const std::pair<const char*, std::string> cases[] = {
      {"a/../b", std::string(cwd) + "/b"},
      {"./x", std::string(cwd) + "/x"},
      {"", cwd},
      {"/a//b/./c/../d", "/a/b/d"},
      {"/../..", "/"},
      {"/a/b/", "/a/b/"},
      {"/a/b/..", "/a"},
  };
  for (const auto& [path, expected] : cases) {
    char buf[MAX_PATH];
    EXPECT_EQ(_fullpath(buf, path, sizeof buf), buf) << path;
    EXPECT_EQ(buf, expected) << path;
  }
}

TEST(FullPathTest, RefusesABufferTooSmall) {
  char buf[16];
  std::memset(buf, '#', sizeof buf);
  errno = 0;
  // 8 bytes need 9 with the terminator; the buffer stays untouched.
  EXPECT_TRUE(_fullpath(buf, "/abc/def", 8) == nullptr && errno == ERANGE && buf[0] == '#');
  EXPECT_EQ(_fullpath(buf, "/abc/def", 9), buf);
  EXPECT_STREQ(buf, "/abc/def");
  const std::string longPath = "/" + std::string(300, 'x');
  char small[MAX_PATH];
  EXPECT_EQ(_fullpath(small, longPath.c_str(), sizeof small), nullptr);
  char* allocated = _fullpath(nullptr, longPath.c_str(), 0);  // sized to fit
  ASSERT_NE(allocated, nullptr);
  EXPECT_EQ(allocated, longPath);
  std::free(allocated);
}

class FileFunctionsTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_dir.Ok()); }
  CScratchDir m_dir;
};

TEST_F(FileFunctionsTest, AccessModes) {
  const std::string path = m_dir.Write("f", "data");
  EXPECT_EQ(_access(path.c_str(), 6), 0);
  EXPECT_TRUE(_access(m_dir.File("none").c_str(), 0) == -1 && errno == ENOENT);
  EXPECT_TRUE(_access(path.c_str(), 1) == -1 && errno == EINVAL);
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);  // read-only, also for the superuser
  const std::pair<int, int> modes[] = {{0, 0}, {4, 0}, {2, -1}, {6, -1}};
  for (const auto& [mode, result] : modes) EXPECT_EQ(_access(path.c_str(), mode), result) << mode;
}

TEST_F(FileFunctionsTest, SplitAndMakePath) {
  // The parts joined by '|': drive (always empty), folder, name, extension.
  const auto split = [](const std::string& path) {
    char drive[_MAX_DRIVE] = "?", dir[_MAX_DIR], fname[_MAX_FNAME], ext[_MAX_EXT];
    _splitpath(path.c_str(), drive, dir, fname, ext);
    return std::string(drive) + "|" + dir + "|" + fname + "|" + ext;
  };
  EXPECT_EQ(split("/lib/models.v1/lib.tar.gz"), "|/lib/models.v1/|lib.tar|.gz");
  EXPECT_EQ(split("models.v1/noext"), "|models.v1/|noext|");  // a dot in the folder only
  // Parts that do not fit are never truncated into another name.
  EXPECT_EQ(split("/" + std::string(300, 'd') + "/f.x"), "|||");
  char dir[_MAX_DIR];
  _splitpath("a/b", nullptr, dir, nullptr, nullptr);  // parts may be left out
  EXPECT_STREQ(dir, "a/");

  char path[_MAX_PATH];
  _makepath(path, "C:", "/a/b", "name", "mdb");
  EXPECT_STREQ(path, "/a/b/name.mdb");
  _makepath(path, nullptr, "/a/", "name", ".mdb");
  EXPECT_STREQ(path, "/a/name.mdb");
  _makepath(path, nullptr, "/a", std::string(300, 'n').c_str(), "x");
  EXPECT_STREQ(path, "");
}

TEST_F(FileFunctionsTest, CopyFileReplacesOrRefuses) {
  const std::string src = m_dir.Write("src", "new content");
  ASSERT_EQ(chmod(src.c_str(), 0640), 0);
  const std::string dst = m_dir.Write("dst", "old");
  EXPECT_TRUE(!CopyFile(src.c_str(), dst.c_str(), TRUE) && errno == EEXIST);
  EXPECT_EQ(CScratchDir::Read(dst), "old");
  EXPECT_TRUE(CopyFile(src.c_str(), dst.c_str(), FALSE));
  EXPECT_EQ(CScratchDir::Read(dst), "new content");
  struct stat st;
  ASSERT_EQ(stat(dst.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  const std::string fresh = m_dir.File("fresh");
  EXPECT_TRUE(CopyFile(src.c_str(), fresh.c_str(), TRUE));
  EXPECT_EQ(CScratchDir::Read(fresh), "new content");
  EXPECT_EQ(CountEntries(m_dir.Path()), 3);  // no temporary files left behind

  const std::string readOnly = m_dir.Write("ro", "keep");
  ASSERT_EQ(chmod(readOnly.c_str(), 0444), 0);
  EXPECT_TRUE(!CopyFile(src.c_str(), readOnly.c_str(), FALSE) && errno == EACCES);
  EXPECT_EQ(CScratchDir::Read(readOnly), "keep");
  // Failed copies leave nothing behind: a missing source, a folder, a
  // target in a missing folder.
  EXPECT_FALSE(CopyFile(m_dir.File("missing").c_str(), dst.c_str(), FALSE));
  EXPECT_FALSE(CopyFile(m_dir.Path().c_str(), dst.c_str(), FALSE));
  EXPECT_FALSE(CopyFile(dst.c_str(), m_dir.File("no/such/dir").c_str(), FALSE));
  EXPECT_EQ(CScratchDir::Read(dst), "new content");
  EXPECT_EQ(CountEntries(m_dir.Path()), 4);
}

TEST_F(FileFunctionsTest, DeleteFileOnlyDeletesFiles) {
  const std::string path = m_dir.Write("f", "x");
  EXPECT_TRUE(DeleteFile(path.c_str()) && _access(path.c_str(), 0) == -1);
  EXPECT_FALSE(DeleteFile(path.c_str()) || DeleteFile(m_dir.Path().c_str()));
  EXPECT_EQ(_access(m_dir.Path().c_str(), 0), 0);
}

TEST_F(FileFunctionsTest, TempPathFollowsTmpdir) {
  const char* saved = getenv("TMPDIR");
  const std::string savedValue = saved != nullptr ? saved : "";
  setenv("TMPDIR", m_dir.Path().c_str(), 1);
  char buf[256];
  EXPECT_EQ(GetTempPath(sizeof buf, buf), m_dir.Path().size() + 1);
  EXPECT_EQ(buf, m_dir.Path() + "/");
  char tiny[4] = "abc";
  EXPECT_EQ(GetTempPath(sizeof tiny, tiny), m_dir.Path().size() + 2);  // size needed
  EXPECT_STREQ(tiny, "abc");
  unsetenv("TMPDIR");
  EXPECT_TRUE(GetTempPath(sizeof buf, buf) == 5u && std::string(buf) == "/tmp/");
  if (saved != nullptr) setenv("TMPDIR", savedValue.c_str(), 1);
}

TEST_F(FileFunctionsTest, TempFileNamesAreUniqueAndCreated) {
  std::set<std::string> names;
  for (int i = 0; i < 300; ++i) {
    char name[MAX_PATH], hex[8];
    const UINT n = GetTempFileName(m_dir.Path().c_str(), "~dbx", 0, name);
    ASSERT_NE(n, 0u);
    std::snprintf(hex, sizeof hex, "%X", n);
    ASSERT_EQ(std::string(name), m_dir.Path() + "/~db" + hex + ".tmp");
    ASSERT_LE(n, 0xFFFFu);
    EXPECT_TRUE(names.insert(name).second) << "repeated " << name;
    EXPECT_EQ(_access(name, 0), 0);
  }
  EXPECT_EQ(CountEntries(m_dir.Path()), 300);
}

TEST_F(FileFunctionsTest, TempFileNameWithAGivenNumberOnlyFormsTheName) {
  char name[MAX_PATH];
  EXPECT_EQ(GetTempFileName((m_dir.Path() + "/").c_str(), "ab", 0x1A2B, name), 0x1A2Bu);
  EXPECT_TRUE(name == m_dir.Path() + "/ab1A2B.tmp" && _access(name, 0) == -1);
  EXPECT_EQ(GetTempFileName(m_dir.Path().c_str(), nullptr, 0x10005, name), 0x10005u);
  EXPECT_EQ(std::string(name), m_dir.Path() + "/5.tmp");  // low 16 bits only
  EXPECT_EQ(GetTempFileName(m_dir.File("missing").c_str(), "~db", 0, name), 0u);
  EXPECT_EQ(GetTempFileName(("/" + std::string(250, 'p')).c_str(), "~db", 1, name), 0u);
}

}  // namespace
