// ZLRepairDatabase: salvage and compaction by the storage engine on private
// copies, then the model tree rebuilt on the compacted copy, which finally
// replaces the given file.
#include "zldbctrl70/repair.h"

#include <sys/stat.h>

#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "content/row_patterns.h"
#include "engine/dao_workspace.h"
#include "engine/database_files.h"
#include "engine/file_lock.h"
#include "frame/database_name.h"
#include "frame/dbinfo.h"
#include "frame/guard.h"
#include "frame/open_database.h"
#include "maintenance/repair_tree.h"
#include "maintenance/tree_rows.h"
#include "platform/temp_folder.h"
#include "schema/layout.h"
#include "schema/zl_recordset.h"
#include "zldbctrl70/platform/runtime_io.h"

namespace zl {
namespace {

// The open mode that writes without the login check.
constexpr EOpenMode kRepairOpenMode = static_cast<EOpenMode>(0x408C);

// Destroys a handle on every way out.
class COwnedHandle {
 public:
  explicit COwnedHandle(HANDLE handle) : m_handle(handle) {}
  ~COwnedHandle() {
    if (m_handle != nullptr) DestroyHandle(m_handle);
  }
  COwnedHandle(const COwnedHandle&) = delete;
  COwnedHandle& operator=(const COwnedHandle&) = delete;
  HANDLE Get() const { return m_handle; }

 private:
  HANDLE m_handle;
};

COleVariant LinkVariant(int32_t id) {
  COleVariant value;
  if (id == 0) {
    value.SetNull();
  } else {
    value = COleVariant(id);
  }
  return value;
}

// Rebuilds the tree of the open copy and writes the links that changed, in
// one transaction with the layout stamp.
int RelinkOpenCopy(ZLHandleRecord& record, ZLRepairSummary& summary) {
  const std::vector<ZLTreeRow> rows = ReadTreeRows(record);
  const ZLRelinkResult result = RelinkTree(rows);
  summary.m_lRecords = static_cast<long>(rows.size());
  summary.m_lReached = static_cast<long>(result.m_nReached);
  summary.m_lReattached = static_cast<long>(result.m_nReattached);
  summary.m_lCyclesBroken = static_cast<long>(result.m_nCyclesBroken);
  summary.m_lLinksRewritten = static_cast<long>(result.m_nChanged);
  if (result.m_nChanged == 0) return ZLE_OK;
  COperationScope operation(record, EAccess::kWrite, ZLE_OPEN_FAILED);
  if (operation.BeginCode() != ZLE_OK) return operation.BeginCode();
  CZLRecordset& main = *record.recordsets[ZLT_MAIN];
  for (size_t i = 0; i < rows.size(); ++i) {
    const ZLTreeRow& links = result.m_rows[i];
    if (links.SameLinks(rows[i])) continue;
    if (!SeekID(main, links.m_lID)) return ZLE_OPEN_FAILED;
    CRowWrite write(main, CRowWrite::kEdit);
    write.Set("PARENT", LinkVariant(links.m_lParent));
    write.Set("FIRSTCHILD", LinkVariant(links.m_lFirstChild));
    write.Set("PREV", LinkVariant(links.m_lPrev));
    write.Set("NEXT", LinkVariant(links.m_lNext));
    write.Update();
  }
  StampLayoutChange(record);
  operation.End(true);
  return ZLE_OK;
}

// Salvages and compacts the copy repaired into compacted, opens that and
// rebuilds its tree.  Engine failures give 5, memory exhaustion 6.
int RepairCopy(const std::string& repaired, const std::string& compacted,
               ZLRepairSummary& summary) {
  return CatchEngineErrors(
      [&]() -> int {
        CDaoWorkspace::RepairDatabase(repaired.c_str());
        CDaoWorkspace::CompactDatabase(repaired.c_str(), compacted.c_str(), dbLangGeneral,
                                       dbVersion30, kDatabaseConnect);
        const ZLHandleOutcome opened = OpenDatabase(compacted.c_str(), kRepairOpenMode, nullptr);
        // A copy that does not open as a model library is not put in place
        // of the given file.
        if (opened.handle == nullptr) return opened.code;
        COwnedHandle handle(opened.handle);
        CHandleLock lock(handle.Get());
        if (!lock.IsValid()) return ZLE_OPEN_FAILED;
        return RelinkOpenCopy(lock.Record(), summary);
      },
      ZLE_OPEN_FAILED);
}

// A library on a server: the server keeps its storage whole, so there is
// nothing to salvage or compact; the tree is rebuilt in place, under an
// exclusive open that keeps everybody else out until it is done.
int RepairServerLibrary(const char* name, ZLRepairSummary& summary) {
  return CatchEngineErrors(
      [&]() -> int {
        const ZLHandleOutcome opened = OpenDatabase(name, kRepairOpenMode, nullptr, true);
        if (opened.handle == nullptr) {
          switch (opened.code) {
            case ZLE_LOCKED:
            case ZLE_IN_USE_OR_EXISTS:
              return ZLE_TABLE_LOCKED;
            case ZLE_FILE_NOT_FOUND:
              return ZLE_NOT_WRITABLE;
            default:
              return opened.code;
          }
        }
        COwnedHandle handle(opened.handle);
        CHandleLock lock(handle.Get());
        if (!lock.IsValid()) return ZLE_OPEN_FAILED;
        return RelinkOpenCopy(lock.Record(), summary);
      },
      ZLE_OPEN_FAILED);
}

int RepairDatabaseFile(const char* path, ZLRepairSummary& summary) {
  ZLDatabaseName name;
  if (path != nullptr && ResolveDatabaseName(path, name) && name.m_bServer) {
    return RepairServerLibrary(name.m_szName, summary);
  }
  char fullPath[kMaxPathChars];
  if (path == nullptr || _fullpath(fullPath, path, sizeof fullPath) == nullptr ||
      _access(fullPath, 6) != 0) {
    return ZLE_NOT_WRITABLE;
  }
  struct stat st {};
  if (::stat(fullPath, &st) != 0 || !S_ISREG(st.st_mode)) return ZLE_NOT_WRITABLE;
  // Held until the end: nobody (this process included) opens the file
  // while its copies are repaired, and nobody writes what the final rename
  // would throw away.
  engine::CFileLock lock;
  switch (lock.Acquire(fullPath, true)) {
    case engine::CFileLock::Result::kLocked:
      break;
    case engine::CFileLock::Result::kInUse:
    case engine::CFileLock::Result::kHeldExclusively:
      return ZLE_TABLE_LOCKED;
    case engine::CFileLock::Result::kNoResources:
      return ZLE_OUT_OF_MEMORY;
    case engine::CFileLock::Result::kMissing:
    case engine::CFileLock::Result::kError:
      return ZLE_NOT_WRITABLE;
  }
  CTempFolder folder;
  if (!folder.Create({FolderOf(fullPath), SystemTempFolder()}, ".~db")) return ZLE_TEMP_FILE;
  const std::string repaired = folder.File("repaired.mdb");
  const std::string compacted = folder.File("compacted.mdb");
  if (!engine::CopyClosedDatabase(fullPath, repaired)) return ZLE_TEMP_FILE;
  const int code = RepairCopy(repaired, compacted, summary);
  if (code != ZLE_OK) return code;
  bool inPlace = false;
  if (!engine::ReplaceClosedDatabase(compacted, fullPath, &inPlace)) {
    // Written half-way over the file's own bytes: the repaired copy is
    // all that is left whole.
    if (inPlace) folder.Keep();
    return ZLE_REPAIR_COPY_BACK;
  }
  return ZLE_OK;
}

// The exported entry: the repair under the one entry step.
int RunRepair(const char* path, ZLRepairSummary* summary) {
  return RunUnguarded([&] {
    ZLRepairSummary found{};
    const int code = RepairDatabaseFile(path, found);
    if (code == ZLE_OK && summary != nullptr) *summary = found;
    return ZLOutcome::FromCode(code);
  });
}

}  // namespace
}  // namespace zl

int ZLRepairDatabase(const char* path, ZLRepairSummary& summary) {
  return zl::RunRepair(path, &summary);
}

int ZLRepairDatabase(const char* path) { return zl::RunRepair(path, nullptr); }
