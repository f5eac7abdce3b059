// What happens to handles callers leave open when the library goes, and the
// storage engine check of RegisterDAO.
#include "frame/startup.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "engine/file_lock.h"
#include "platform/scratch_dir.h"
#include "support/child_process.h"
#include "zldbctrl70.h"

namespace {

using zl::engine::CFileLock;

bool Exists(const std::string& path) { return std::filesystem::exists(path); }

// True when nobody holds the file: an exclusive lock can be had.
bool Released(const std::string& path) {
  CFileLock lock;
  return lock.Acquire(path, true) == CFileLock::Result::kLocked;
}

std::string Info(const std::string& path) {
  void* hDB = ZLOpenDatabase(path.c_str(), eOpenReadOnly);
  CString info;
  if (hDB == nullptr || ZLGetDatabaseInfo(hDB, info) != 1) return "unreadable";
  ZLCloseDatabase(hDB);
  return info.GetString();
}

// Leaves a committed text, a caller transaction with an uncommitted one and
// a second, read-only handle open, and returns from main.
ZL_CHILD_ACTION(ExitWithOpenHandles) {
  void* hDB = ZLOpenDatabase(args.at(0).c_str(), eOpenReadWrite);
  void* reader = ZLOpenDatabase(args.at(0).c_str(), eOpenReadOnly);
  if (hDB == nullptr || reader == nullptr || ZLSetDatabaseInfo(hDB, "committed") != 1 ||
      ZLBeginTransaction(hDB) != 1 || ZLSetDatabaseInfo(hDB, "uncommitted") != 1) {
    return 1;
  }
  return 0;
}

// Loads the shared library by itself, opens two files through it (one of
// them twice), unloads it and reports whether the files were let go.
ZL_CHILD_ACTION(UnloadWithOpenHandles) {
  const std::string library =
      std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path() /
      "libzldbctrl70.so";
  void* module = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) return 10;
  using Open = void* (*)(const char*, EOpenMode);
  auto open = reinterpret_cast<Open>(dlsym(module, "_Z14ZLOpenDatabasePKc9EOpenMode"));
  if (open == nullptr) return 11;
  if (open(args.at(0).c_str(), eOpenReadWrite) == nullptr ||
      open(args.at(0).c_str(), eOpenReadWrite) == nullptr ||
      open(args.at(1).c_str(), eOpenReadOnly) == nullptr) {
    return 12;
  }
  if (Released(args.at(0)) || Released(args.at(1))) return 13;  // still open here
  if (dlclose(module) != 0) return 14;
  // Ends without the exit handlers: what the unloaded library left on the
  // heap on purpose is unreachable now, and a leak checker would say so.
  std::_Exit(Released(args.at(0)) && Released(args.at(1)) ? 0 : 15);
}

class StartupTest : public ::testing::Test {
 protected:
  std::string NewLibrary(const char* name) {
    const std::string path = m_dir.File(name);
    void* hDB = ZLCreateDatabase(path.c_str());
    EXPECT_NE(hDB, nullptr);
    EXPECT_EQ(ZLCloseDatabase(hDB), 1);
    return path;
  }
  CScratchDir m_dir;
};

TEST_F(StartupTest, CloseAllDestroysEveryHandleWhateverItsCount) {
  const std::string first = NewLibrary("first.zdb");
  const std::string second = NewLibrary("second.zdb");
  void* shared = ZLOpenDatabase(first.c_str(), eOpenReadWrite);
  ASSERT_EQ(ZLOpenDatabase(first.c_str(), eOpenReadWrite), shared);
  void* other = ZLOpenDatabase(second.c_str(), eOpenReadOnly);
  ASSERT_NE(other, nullptr);
  ASSERT_EQ(ZLBeginTransaction(shared), 1);
  ASSERT_EQ(ZLSetDatabaseInfo(shared, "uncommitted"), 1);
  zl::CloseAllOpenHandles();
  for (void* hDB : {shared, other}) {
    EXPECT_EQ(GlobalSize(hDB), 0u) << "the block is freed";
    EXPECT_EQ(ZLCloseDatabase(hDB), 0);
    EXPECT_EQ(ZLGetLastError(), ZLE_BAD_HANDLE);
  }
  EXPECT_TRUE(Released(first));
  EXPECT_TRUE(Released(second));
  EXPECT_EQ(Info(first), "");
}

TEST_F(StartupTest, ExitClosesFilesCleanlyAndKeepsOnlyCommittedData) {
  const std::string path = NewLibrary("lib.zdb");
  ASSERT_EQ(zltest::RunChild("ExitWithOpenHandles", {path}), 0);
  // A file closed by its last connection has no log left beside it.
  EXPECT_FALSE(Exists(path + "-wal"));
  EXPECT_FALSE(Exists(path + "-shm"));
  EXPECT_EQ(Info(path), "committed");
}

TEST_F(StartupTest, UnloadClosesFilesOfEveryHandle) {
  const std::string first = NewLibrary("first.zdb");
  const std::string second = NewLibrary("second.zdb");
  EXPECT_EQ(zltest::RunChild("UnloadWithOpenHandles", {first, second}), 0);
}

TEST_F(StartupTest, RegisterDaoReportsWhetherTheEngineCanBeUsed) {
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(RegisterDAO(1), 1);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  // A temporary folder that does not exist leaves no place to try a log.
  const char* saved = std::getenv("TMPDIR");
  const std::string keep = saved != nullptr ? saved : "";
  ::setenv("TMPDIR", m_dir.File("missing").c_str(), 1);
  ::testing::internal::CaptureStderr();
  const int quiet = RegisterDAO(0);
  const std::string quietText = ::testing::internal::GetCapturedStderr();
  ::testing::internal::CaptureStderr();
  const int loud = RegisterDAO(1);
  const std::string loudText = ::testing::internal::GetCapturedStderr();
  if (saved != nullptr) {
    ::setenv("TMPDIR", keep.c_str(), 1);
  } else {
    ::unsetenv("TMPDIR");
  }
  EXPECT_EQ(quiet, 0);
  EXPECT_EQ(quietText, "");
  EXPECT_EQ(loud, 0);
  EXPECT_EQ(loudText.rfind("ZLDBCTRL: ", 0), 0u) << loudText;
  EXPECT_NE(loudText.find("missing"), std::string::npos) << loudText;
}

}  // namespace
