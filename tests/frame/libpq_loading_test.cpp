// libpq is loaded when a server name is first opened, not with the library:
// a process that only opens files never maps it, and one where it cannot be
// loaded refuses server names with an open failure that names the library
// file.  Each case runs in a fresh child process, as the load is once per
// process and other tests here may have loaded it already.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "engine/dao_database.h"
#include "engine/dao_errors.h"
#include "engine/pg_libpq.h"
#include "engine/pg_seam.h"
#include "engine/sqlite_seam.h"
#include "platform/scratch_dir.h"
#include "schema/layout.h"
#include "support/child_process.h"
#include "zldbctrl70/database.h"
#include "zldbctrl70/errors.h"

namespace {

bool LibpqMapped() {
  std::ifstream maps("/proc/self/maps");
  std::string line;
  while (std::getline(maps, line)) {
    if (line.find("/libpq.so") != std::string::npos) return true;
  }
  return false;
}

// Exit status: 0 when libpq stayed unmapped, 2 when it was mapped.
ZL_CHILD_ACTION(FileLibraryWithoutLibpq) {
  if (LibpqMapped()) return 2;
  void* hDB = ZLCreateDatabase(args.at(0).c_str());
  if (hDB == nullptr || ZLCloseDatabase(hDB) != 1) return 1;
  hDB = ZLOpenDatabase(args.at(0).c_str(), eOpenReadOnly);
  if (hDB == nullptr || ZLCloseDatabase(hDB) != 1) return 1;
  return LibpqMapped() ? 2 : 0;
}

TEST(LibpqLoadingTest, FileLibrariesNeverMapLibpq) {
  CScratchDir dir;
  EXPECT_EQ(zltest::RunChild("FileLibraryWithoutLibpq", {dir.File("lib.zdb")}), 0);
}

#ifdef ZL_HAVE_LIBPQ
// Opens and creates a server name with the libpq file named by the first
// argument.  Exit status: 0 when each fails as the engine's open failure,
// the backend's naming the file, and libpq was never mapped.
ZL_CHILD_ACTION(ServerNameWithoutLibpq) {
  const std::string& missing = args.at(0);
  zl::engine::SetLibPqFileName(missing.c_str());
  const std::string name = "postgresql:host=/nonexistent dbname=lib";
  // The backend's failure names the file; the engine's is an open failure.
  try {
    zl::engine::CPgConnection connection;
    connection.Open(name, zl::engine::CSqlOpenOptions());
    return 1;
  } catch (const zl::engine::CSqlFailure& failure) {
    if (failure.Status() != zl::engine::SqlStatus::kCantOpen) return 3;
    if (std::string(failure.what()).find(missing) == std::string::npos) return 4;
  }
  try {
    CDaoDatabase db;
    db.Open(name.c_str(), FALSE, FALSE, zl::kDatabaseConnect);
    return 1;
  } catch (const CDaoException& e) {
    if (e.GetErrorNumber() != kDaoCannotOpenFile) return 3;
  }
  if (ZLOpenDatabase(name.c_str(), eOpenReadWrite) != nullptr) return 5;
  if (ZLGetLastError() != ZLE_OPEN_FAILED) return 6;
  if (ZLCreateDatabase(name.c_str()) != nullptr) return 7;
  if (ZLGetLastError() != ZLE_CREATE_FAILED) return 8;
  return LibpqMapped() ? 2 : 0;
}

TEST(LibpqLoadingTest, ServerNamesFailToOpenWhenLibpqCannotBeLoaded) {
  // No such file; a library that lacks libpq's functions.
  for (const char* file : {"libzl-no-such-libpq.so.5", "libsqlite3.so.0"}) {
    EXPECT_EQ(zltest::RunChild("ServerNameWithoutLibpq", {file}), 0) << file;
  }
}
#endif

}  // namespace
