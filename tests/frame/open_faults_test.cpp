// Opens under hostile conditions: no file descriptors left, other users,
// folders that cannot be written.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "support/child_process.h"
#include "support/library_fixture.h"

namespace {

// Opens the libraries lib0.zdb, lib1.zdb, ... of folder args[0] in mode
// args[1] with only a few file descriptors to spare, until one fails, then
// tries to create one.  Exit status: the open's code when the create gave
// the same, else 99.
ZL_CHILD_ACTION(OpenUntilOutOfDescriptors) {
  const std::string folder = args.at(0);
  const auto mode = static_cast<EOpenMode>(std::stoi(args.at(1)));
  int used = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    (void)entry;
    ++used;
  }
  const rlim_t limit = static_cast<rlim_t>(used + 24);
  const struct rlimit lower = {limit, limit};
  if (::setrlimit(RLIMIT_NOFILE, &lower) != 0) return 98;
  int openCode = 0;
  for (int i = 0; i < 64 && openCode == 0; ++i) {
    const std::string path = folder + "/lib" + std::to_string(i) + ".zdb";
    if (ZLOpenDatabase(path.c_str(), mode) == nullptr) openCode = ZLGetLastError();
  }
  const void* created = ZLCreateDatabase((folder + "/new.zdb").c_str());
  return created == nullptr && ZLGetLastError() == openCode ? openCode : 99;
}

// Runs one step on the library args[2] as user args[0] (the tests run as
// root).  Exit status: 0 done; 100 + the code of a failed open; 50 + the
// code of a failed read or write.
ZL_CHILD_ACTION(AsUser) {
  const auto uid = static_cast<uid_t>(std::stoul(args.at(0)));
  if (getuid() == 0 && (setgid(uid) != 0 || setuid(uid) != 0)) return 90;
  const std::string& step = args.at(1);
  const bool writing = step == "write";
  void* hDB = ZLOpenDatabase(args.at(2).c_str(), writing ? eOpenReadWrite : eOpenReadOnly);
  if (hDB == nullptr) return 100 + ZLGetLastError();
  CString info;
  if (writing && ZLSetDatabaseInfo(hDB, "written") != 1) return 50 + ZLGetLastError();
  if (ZLGetDatabaseInfo(hDB, info) != 1) return 50 + ZLGetLastError();
  if (step == "abandon") _exit(0);  // a reader that ends without closing
  if (step == "hold") {
    zltest::ChildSignalReady();
    zltest::ChildWaitForRelease();
  }
  ZLCloseDatabase(hDB);
  return 0;
}

class OpenFaultsTest : public LibraryTest {
 protected:
  // The file of the fixture, closed, owned by uid with these permissions,
  // in the fixture's folder with its permissions.
  void HandOver(uid_t uid, mode_t file, mode_t folder) {
    if (m_hDB != nullptr) CloseLibrary();
    ASSERT_EQ(chown(m_path.c_str(), uid, uid), 0);
    ASSERT_EQ(chmod(m_path.c_str(), file), 0);
    ASSERT_EQ(chmod(m_dir.Path().c_str(), folder), 0);
  }
  int AsUser(uid_t uid, const char* step) {
    return zltest::RunChild("AsUser", {std::to_string(uid), step, m_path});
  }
  bool LogFilesLeft() const {
    return std::filesystem::exists(m_path + "-wal") || std::filesystem::exists(m_path + "-shm");
  }
  static constexpr uid_t kOwner = 65534;
  static constexpr uid_t kOther = 65533;
};

// A reader that cannot write the file must not leave log files that stop a
// later writer (the owner after chmod, or another user); files an abandoned
// reader left are removed by the next writer; a writer that meets a reader
// still using files it cannot write is refused with 12 instead of getting a
// handle whose every write fails.
TEST_F(OpenFaultsTest, ReadOnlyOpensLeaveNothingThatStopsAWriter) {
  SKIP_ON_SERVER() << ": SQLite log files";
  if (geteuid() != 0) GTEST_SKIP() << "acting as other users needs root";
  HandOver(kOwner, 0444, 0777);
  EXPECT_EQ(AsUser(kOwner, "read"), 0);
  EXPECT_FALSE(LogFilesLeft());
  ASSERT_EQ(chmod(m_path.c_str(), 0644), 0);
  EXPECT_EQ(AsUser(kOwner, "write"), 0);

  ASSERT_EQ(chmod(m_path.c_str(), 0444), 0);
  EXPECT_EQ(AsUser(kOther, "abandon"), 0);
  ASSERT_TRUE(LogFilesLeft());
  ASSERT_EQ(chmod(m_path.c_str(), 0666), 0);
  EXPECT_EQ(AsUser(kOwner, "write"), 0);

  ASSERT_EQ(chmod(m_path.c_str(), 0444), 0);
  {
    zltest::CChildProcess reader("AsUser", {std::to_string(kOther), "hold", m_path});
    ASSERT_EQ(reader.ReadLine(), "ready");
    ASSERT_EQ(chmod(m_path.c_str(), 0666), 0);
    EXPECT_EQ(AsUser(kOwner, "write"), 100 + ZLE_LOCKED);
    EXPECT_EQ(reader.Finish(), 0);
  }
  EXPECT_EQ(AsUser(kOwner, "write"), 0);
  EXPECT_FALSE(LogFilesLeft());
}

// Mode 1 on a writable file in a folder its owner cannot write falls back
// to an exclusive read-only open and reads.
TEST_F(OpenFaultsTest, ReadOnlyOpenInAFolderThatCannotBeWrittenWorks) {
  SKIP_ON_SERVER() << ": folder permissions";
  if (geteuid() != 0) GTEST_SKIP() << "acting as other users needs root";
  HandOver(kOwner, 0644, 0755);
  EXPECT_EQ(AsUser(kOwner, "read"), 0);
  EXPECT_EQ(AsUser(kOwner, "write"), 100 + ZLE_LOCKED);
  EXPECT_FALSE(LogFilesLeft());
}

// Running out of descriptors is reported as exhausted resources (6), never
// as a lock (12, or 1 in mode 1) or as a bad path.
TEST_F(OpenFaultsTest, RunningOutOfDescriptorsIsAResourceFailure) {
#if defined(__SANITIZE_ADDRESS__)
  // The sanitizers' run-time checks themselves open descriptors (to test
  // whether memory can be read) and fail once none is left.
  GTEST_SKIP() << "needs a build without sanitizers";
#endif
  for (int i = 0; i < 16; ++i) {
    void* hDB = ZLCreateDatabase(m_dir.File("lib" + std::to_string(i) + ".zdb").c_str());
    ASSERT_NE(hDB, nullptr);
    ASSERT_EQ(ZLCloseDatabase(hDB), 1);
  }
  for (EOpenMode mode : {eOpenReadWrite, eOpenReadOnly}) {
    EXPECT_EQ(zltest::RunChild("OpenUntilOutOfDescriptors", {m_dir.Path(), std::to_string(mode)}),
              ZLE_OUT_OF_MEMORY)
        << "mode " << mode;
  }
}

// A restore from backup over an open library (copy, then rename over it):
// the handle's connection still writes the old file while SQLite finds the
// log by path, so a write would mix the two.  It fails with 41 instead, and
// the restored file keeps the backup's content.
TEST_F(OpenFaultsTest, AFileReplacedWhileOpenIsNeverWritten) {
  SKIP_ON_SERVER() << ": files replaced while open";
  ASSERT_EQ(ZLSetDatabaseInfo(m_hDB, "before"), 1);
  const std::string backup = m_dir.File("backup.zdb");
  void* hBackup = ZLCreateDatabase(backup.c_str());
  ASSERT_NE(hBackup, nullptr);
  ASSERT_EQ(ZLSetDatabaseInfo(hBackup, "backup"), 1);
  ASSERT_EQ(ZLCloseDatabase(hBackup), 1);
  std::filesystem::copy_file(backup, m_path + ".tmp");
  std::filesystem::rename(m_path + ".tmp", m_path);

  EXPECT_EQ(FailCode(ZLSetDatabaseInfo(m_hDB, "after")), ZLE_FILE_REPLACED);
  CloseLibrary();
  void* hDB = ZLOpenDatabase(m_path.c_str(), eOpenReadWrite);
  ASSERT_NE(hDB, nullptr);
  CString info;
  EXPECT_EQ(ZLGetDatabaseInfo(hDB, info), 1);
  EXPECT_STREQ(info, "backup");
  EXPECT_EQ(ZLCloseDatabase(hDB), 1);
}

}  // namespace
