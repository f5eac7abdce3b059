// Opening an existing database, sharing open handles, snapshot mode.
#include "frame/open_database.h"

#include <cstring>

#include "engine/dao_database.h"
#include "engine/dao_errors.h"
#include "frame/database_name.h"
#include "frame/dbinfo.h"
#include "frame/guard.h"
#include "frame/handle_record.h"
#include "frame/language_maps.h"
#include "frame/registry_refresh.h"
#include "schema/fixed_tables.h"
#include "schema/layout.h"
#include "zldbctrl70/database.h"
#include "zldbctrl70/platform/runtime_io.h"

namespace zl {
namespace {

bool IsEngineError(const CDaoException& e, long number) { return e.m_scode == DaoScode(number); }

bool IsInUse(const CDaoException& e) {
  return IsEngineError(e, kDaoFileInUse) || IsEngineError(e, kDaoSaveLocked) ||
         IsEngineError(e, kDaoOpenedExclusively);
}

// Opens the file in the engine as the mode asks.  A read-only open that
// cannot lock the file (its folder cannot be written, say) tries once more
// exclusively.  Returns the last-error code for a failure.
int OpenEngineDatabase(CDaoDatabase& database, const char* path, bool readOnly, bool exclusive) {
  try {
    database.Open(path, exclusive ? TRUE : FALSE, readOnly ? TRUE : FALSE, kDatabaseConnect);
    return ZLE_OK;
  } catch (const CDaoException& e) {
    if (e.m_nAfxDaoError == AFX_DAO_ERROR_ENGINE_INITIALIZATION) return ZLE_ENGINE_INIT;
    if (IsEngineError(e, kDaoResourcesExceeded)) return ZLE_OUT_OF_MEMORY;
    const bool cannotLock =
        IsEngineError(e, kDaoCannotLockFile) || IsEngineError(e, kDaoCannotOpenFile);
    if (cannotLock && readOnly) {
      try {
        database.Open(path, TRUE, TRUE, kDatabaseConnect);
        return ZLE_OK;
      } catch (const CDaoException& retry) {
        if (IsEngineError(retry, kDaoResourcesExceeded)) return ZLE_OUT_OF_MEMORY;
        return IsInUse(retry) ? ZLE_IN_USE_OR_EXISTS : ZLE_OPEN_FAILED;
      }
    }
    if (cannotLock || IsInUse(e)) return readOnly ? ZLE_IN_USE_OR_EXISTS : ZLE_LOCKED;
    return ZLE_OPEN_FAILED;
  }
}

// Reads the versions and, when the mode asks for it, checks the login.  A
// property table that cannot be read counts as version 0 (no login then).
int ReadVersionsAndCheckLogin(ZLHandleRecord& record, EOpenMode mode, const char* login) {
  OpenFixedTable(*record.database, ZLT_DBINFO, record.tableDefs[ZLT_DBINFO],
                 record.recordsets[ZLT_DBINFO]);
  int32_t state = 0;
  try {
    const COleVariant version = ReadDbInfoField(record, "VERSION");
    const uint32_t packed = version.vt == VT_NULL ? 0 : static_cast<uint32_t>(version.lVal);
    record.databaseVersion = static_cast<ZLDBVersion>(packed & 0xFFFF);
    record.structureVersion = static_cast<ZLDBStructVersion>(packed >> 16);
    if (record.databaseVersion >= 10) {
      const COleVariant stateValue = ReadDbInfoField(record, "STATE");
      state = stateValue.vt == VT_NULL ? 0 : stateValue.lVal;
    }
  } catch (const CDaoException&) {
    record.databaseVersion = ZLDBVersion0;
    record.structureVersion = ZLDBStructVersion0;
    return ZLE_OK;
  }
  if (record.structureVersion > kCurrentStructureVersion) return ZLE_NEWER_STRUCTURE;
  if (mode == eOpenReadWrite && state == 1 && CheckDatabaseLogin(record, login) != ZLE_OK) {
    return ZLE_LOGIN_MISMATCH;
  }
  return ZLE_OK;
}

// The fixed tables in the order they are opened.
const ZLFixedTable kOpenOrder[] = {
    ZLT_MAIN,
    ZLT_NODE_NC,
    ZLT_PARAMSET,
    ZLT_PARAMVALUE,
    ZLT_TOLERANCE,
    ZLT_TOLERANCE_VALUE,
    ZLT_QUALITY,
    ZLT_QUALITY_VALUE,
    ZLT_NODE_C,
    ZLT_FILES,
    ZLT_PACKAGE,
    ZLT_ADDITIONAL_DATA_INFO,
    ZLT_ADDITIONAL_DATA,
    ZLT_UDT_ID,
    ZLT_SIMTABINFO,
    ZLT_RESINFO,
    ZLT_RESID,
};

int OpenTablesAndLanguages(ZLHandleRecord& record) {
  OpenFixedTables(record);
  record.languages = new ZLLanguageMaps;
  int code = RefreshResourceTables(record);
  if (code == ZLE_OK) code = RefreshSimulatorTables(record);
  return code == ZLE_OK ? ZLE_OK : ZLE_OPEN_FAILED;
}

// The handle already open on this database with this mode and login, or
// null.
HANDLE FindSharedHandle(const ZLDatabaseName& name, uint64_t device, uint64_t inode, EOpenMode mode,
                        const char* login) {
  for (HANDLE handle = OpenHandleListHead(); handle != nullptr;) {
    CHandleLock lock(handle);
    if (!lock.IsValid()) return nullptr;
    const ZLHandleRecord& record = lock.Record();
    if (IsSameDatabase(record, name, device, inode) && record.openMode == mode &&
        std::strcmp(record.login, login) == 0) {
      return handle;
    }
    handle = record.next;
  }
  return nullptr;
}

}  // namespace

// The engine's open lock stands for the file lock, a missing library for a
// missing file.
int OpenServerDatabase(CDaoDatabase& database, const char* name, bool readOnly, bool exclusive) {
  try {
    database.Open(name, exclusive ? TRUE : FALSE, readOnly ? TRUE : FALSE, kDatabaseConnect);
    return ZLE_OK;
  } catch (const CDaoException& e) {
    if (e.m_nAfxDaoError == AFX_DAO_ERROR_ENGINE_INITIALIZATION) return ZLE_ENGINE_INIT;
    if (IsEngineError(e, kDaoResourcesExceeded)) return ZLE_OUT_OF_MEMORY;
    if (IsEngineError(e, kDaoFileNotFound)) return ZLE_FILE_NOT_FOUND;
    if (IsInUse(e)) return readOnly ? ZLE_IN_USE_OR_EXISTS : ZLE_LOCKED;
    return ZLE_OPEN_FAILED;
  }
}

ZLHandleOutcome OpenDatabase(const char* name, EOpenMode mode, const char* login, bool exclusive) {
  if (login == nullptr) login = "";
  ZLDatabaseName database;
  if (!ResolveDatabaseName(name, database) || std::strlen(login) >= kMaxPathChars) {
    return ZLHandleOutcome::Fail(ZLE_OPEN_FAILED);
  }
  const char* fullPath = database.m_szName;
  uint64_t device = 0, inode = 0;
  if (GetDatabaseIdentity(database, device, inode) && !exclusive) {
    if (HANDLE shared = FindSharedHandle(database, device, inode, mode, login)) {
      CHandleLock lock(shared);
      ++lock.Record().referenceCount;
      return ZLHandleOutcome::Ok(shared);
    }
  }
  const bool readOnly = mode == eOpenReadOnly;
  if (!database.m_bServer) {
    if (_access(fullPath, 0) != 0) return ZLHandleOutcome::Fail(ZLE_FILE_NOT_FOUND);
    if (!readOnly && _access(fullPath, 2) != 0) return ZLHandleOutcome::Fail(ZLE_NOT_WRITABLE);
  }
  CNewHandle handle;
  if (!handle.IsValid()) return ZLHandleOutcome::Fail(ZLE_OUT_OF_MEMORY);
  // An exception leaves through the guard; the unfinished handle releases
  // what it holds on the way.
  ZLHandleRecord& record = handle.Record();
  record.database = new CDaoDatabase(CDaoWorkspace::GetDefault());
  int code = database.m_bServer
                 ? OpenServerDatabase(*record.database, fullPath, readOnly, exclusive)
                 : OpenEngineDatabase(*record.database, fullPath, readOnly, exclusive);
  if (code == ZLE_OK)
    code = CatchEngineErrors([&] {
      KeepOnlyRegistryDates(*record.database);
      return ZLE_OK;
    });
  if (code == ZLE_OK) code = ReadVersionsAndCheckLogin(record, mode, login);
  if (code == ZLE_OK) code = OpenTablesAndLanguages(record);
  if (code != ZLE_OK) return ZLHandleOutcome::Fail(code);
  return ZLHandleOutcome::Ok(handle.Publish(fullPath, login, mode, device, inode));
}

void OpenFixedTables(ZLHandleRecord& record) {
  for (ZLFixedTable table : kOpenOrder) {
    if (FixedTableExists(table, record.databaseVersion)) {
      OpenFixedTable(*record.database, table, record.tableDefs[table], record.recordsets[table]);
    }
  }
}

}  // namespace zl

void* ZLOpenDatabase(const char* name, EOpenMode mode, const char* login) {
  return zl::RunCreatingHandle(ZLE_OPEN_FAILED,
                               [&] { return zl::OpenDatabase(name, mode, login); });
}

void* ZLOpenDatabase(const char* name, EOpenMode mode) {
  return zl::RunCreatingHandle(ZLE_OPEN_FAILED,
                               [&] { return zl::OpenDatabase(name, mode, nullptr); });
}

int ZLSetDatabaseSnapShotMode(void* hDB, int on) {
  return zl::RunGuardedRecordOnly(hDB, [&](zl::ZLHandleRecord& record) {
    // Switching on takes a new picture: the read transaction begins now and
    // the language tables are brought in step with it.
    zl::ReleaseSnapshot(record);
    record.snapshotMode = on ? TRUE : FALSE;
    if (on) {
      zl::TakeSnapshot(record);
      const int code = zl::RefreshResourceTables(record);
      if (code != ZLE_OK) return zl::ZLOutcome::Fail(code);
      return zl::ZLOutcome::FromCode(zl::RefreshSimulatorTables(record));
    }
    return zl::ZLOutcome::Ok();
  });
}
