// Opens under hostile conditions: no file descriptors left, other users,
// folders that cannot be written.
#include <gtest/gtest.h>
#include <sys/resource.h>
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

class OpenFaultsTest : public LibraryTest {};

// Running out of descriptors is reported as exhausted resources (6), never
// as a lock (12, or 1 in mode 1) or as a bad path.
TEST_F(OpenFaultsTest, RunningOutOfDescriptorsIsAResourceFailure) {
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

}  // namespace
