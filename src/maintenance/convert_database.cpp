// ZLConvertDatabase: bringing an open database of an older layout up to the
// current one, step by step (maintenance/upgrade_chain.h), compacting and
// reopening a database older than version 18 on the way.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/dao_database.h"
#include "engine/dao_errors.h"
#include "engine/dao_workspace.h"
#include "frame/guard.h"
#include "frame/open_database.h"
#include "maintenance/upgrade_chain.h"
#include "schema/layout.h"
#include "zldbctrl70/database.h"

namespace zl {
namespace {

// The version whose databases are compacted after their step to it.
constexpr int kCompactBelow = 18;
// Neither read-write (0) nor read-only (1): the reopened file asks for no
// login.
constexpr auto kReopenMode = static_cast<EOpenMode>(0x408C);

// 32 for a lock held by another user, 30 for every other failure.
int UpgradeFailureCode() {
  try {
    throw;
  } catch (const CDaoException& e) {
    for (long number : {3260L, 3261L, 3262L}) {
      if (e.m_scode == DaoScode(number)) return ZLE_TABLE_LOCKED;
    }
    return ZLE_UPGRADE_FAILED;
  } catch (...) {
    return ZLE_UPGRADE_FAILED;
  }
}

// Gives back the caller's reference; the last one destroys the handle.
void ReleaseHandle(HANDLE handle) {
  bool destroy = false;
  {
    CHandleLock lock(handle);
    if (!lock.IsValid()) return;
    destroy = --lock.Record().referenceCount <= 0;
  }
  if (destroy) DestroyHandle(handle);
}

// Runs the steps the handle's version still needs: 0, or the failure's
// code (the handle is then released).
int RunSteps(HANDLE handle, int startVersion, const std::vector<ZLUpgradeStep>& steps) {
  int code = ZLE_OK;
  {
    CHandleLock lock(handle);
    if (!lock.IsValid()) return ZLE_BAD_HANDLE;
    const CUpgradeContext context{lock.Record(), startVersion};
    try {
      for (const ZLUpgradeStep& step : steps) {
        if (context.record.databaseVersion < step.below) RunUpgradeStep(context, step);
        // Older databases kept their packages in a table of their own,
        // moved once the package tables exist.
        if (step.version == 8) RunPackageMove(context);
      }
    } catch (...) {
      code = UpgradeFailureCode();
    }
  }
  if (code != ZLE_OK) ReleaseHandle(handle);
  return code;
}

// Whether another handle of this process has the file open.
bool OpenElsewhereInProcess(HANDLE handle, uint64_t device, uint64_t inode) {
  for (HANDLE other = OpenHandleListHead(); other != nullptr;) {
    CHandleLock lock(other);
    if (!lock.IsValid()) return true;
    if (other != handle && lock.Record().fileDevice == device && lock.Record().fileInode == inode) {
      return true;
    }
    other = lock.Record().next;
  }
  return false;
}

// Whether nobody (in any process) has the file open: an exclusive open
// succeeds and no log is left beside the file.
bool NobodyElseHasIt(const std::string& path) {
  try {
    CDaoDatabase probe;
    probe.Open(path.c_str(), TRUE, FALSE, kDatabaseConnect);
    probe.Close();
  } catch (const CDaoException&) {
    return false;
  }
  struct stat log {};
  return stat((path + "-wal").c_str(), &log) != 0 || log.st_size == 0;
}

// Writes a compacted copy of the closed file in a fresh private folder
// beside it and renames the copy over the file, so that the file is at
// every moment either the old one or the whole compacted one.  0, or 17
// when the temporary folder or the replacement fails; engine errors
// propagate (the file is then unchanged).
int CompactInPlace(const std::string& path) {
  const size_t slash = path.rfind('/');
  std::string folder =
      (slash == std::string::npos ? std::string(".") : path.substr(0, slash)) + "/~dbXXXXXX";
  if (mkdtemp(folder.data()) == nullptr) return ZLE_TEMP_FILE;
  const std::string target = folder + "/~db.zdb";
  int code = ZLE_OK;
  try {
    CDaoWorkspace::CompactDatabase(path.c_str(), target.c_str(), kCreateConnect, dbVersion30);
    struct stat original {};
    if (stat(path.c_str(), &original) != 0 ||
        chmod(target.c_str(), original.st_mode & 07777) != 0 ||
        rename(target.c_str(), path.c_str()) != 0) {
      code = ZLE_TEMP_FILE;
    }
  } catch (...) {
    std::remove(target.c_str());
    rmdir(folder.c_str());
    throw;
  }
  std::remove(target.c_str());
  rmdir(folder.c_str());
  return code;
}

// Releases the handle, compacts the file and opens it again.  A file that
// is still open elsewhere (another handle or process) is not compacted,
// nor is a server library (the server keeps its own storage): the handle
// is kept and the upgrade goes on with it.
ZLHandleOutcome CompactAndReopen(HANDLE handle) {
  std::string path;
  {
    CHandleLock lock(handle);
    if (!lock.IsValid()) return ZLHandleOutcome::Fail(ZLE_BAD_HANDLE);
    const ZLHandleRecord& record = lock.Record();
    if (record.referenceCount > 1 || CDaoDatabase::IsServerName(record.path) ||
        OpenElsewhereInProcess(handle, record.fileDevice, record.fileInode)) {
      return ZLHandleOutcome::Ok(handle);
    }
    path = record.path;
  }
  if (DestroyHandle(handle) != ZLE_OK) return ZLHandleOutcome::Fail(ZLE_BAD_HANDLE);
  int code = ZLE_OK;
  if (NobodyElseHasIt(path)) {
    try {
      code = CompactInPlace(path);
    } catch (...) {
      code = UpgradeFailureCode();
    }
  }
  if (code != ZLE_OK) return ZLHandleOutcome::Fail(code);
  ZLHandleOutcome reopened = OpenDatabase(path.c_str(), kReopenMode, "");
  if (reopened.handle == nullptr) reopened.code = ZLE_UPGRADE_FAILED;
  return reopened;
}

ZLHandleOutcome ConvertDatabase(HANDLE handle) {
  int startVersion = 0;
  {
    CHandleLock lock(handle);
    if (!lock.IsValid()) return ZLHandleOutcome::Fail(ZLE_BAD_HANDLE);
    ZLHandleRecord& record = lock.Record();
    if (record.structureVersion > kCurrentStructureVersion) {
      return ZLHandleOutcome::Fail(ZLE_NEWER_STRUCTURE);
    }
    if (record.databaseVersion >= kCurrentDatabaseVersion) return ZLHandleOutcome::Ok(handle);
    if (record.openMode == eOpenReadOnly) return {handle, ZLE_NOT_WRITABLE};
    // The steps commit one by one and the file may be replaced: neither
    // fits inside a transaction the caller holds open.
    if (record.callerTransactions > 0) return ZLHandleOutcome::Fail(ZLE_UPGRADE_FAILED);
    ReleaseSnapshot(record);
    startVersion = record.databaseVersion;
  }
  int code = RunSteps(handle, startVersion, UpgradeStepsBeforeCompaction());
  if (code != ZLE_OK) return ZLHandleOutcome::Fail(code);
  if (startVersion < kCompactBelow) {
    const ZLHandleOutcome reopened = CompactAndReopen(handle);
    if (reopened.handle == nullptr) return reopened;
    handle = reopened.handle;
  }
  code = RunSteps(handle, startVersion, UpgradeStepsAfterCompaction());
  if (code != ZLE_OK) return ZLHandleOutcome::Fail(code);
  return ZLHandleOutcome::Ok(handle);
}

}  // namespace
}  // namespace zl

void* ZLConvertDatabase(void* hDB) {
  return zl::RunCreatingHandle(ZLE_UPGRADE_FAILED, [&] { return zl::ConvertDatabase(hDB); });
}
