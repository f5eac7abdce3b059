// Creation of a new, empty model-library database.
#include <cstring>

#include "engine/dao_database.h"
#include "engine/dao_errors.h"
#include "frame/database_name.h"
#include "frame/guard.h"
#include "frame/handle_record.h"
#include "frame/language_maps.h"
#include "frame/registry_refresh.h"
#include "schema/fixed_tables.h"
#include "schema/layout.h"
#include "schema/zl_recordset.h"
#include "zldbctrl70/database.h"
#include "zldbctrl70/platform/runtime_io.h"

namespace zl {
namespace {

// Maps a failure of creating the file itself: an existing file is 1, any
// other engine failure 4.
int CreateFileFailureCode() {
  try {
    throw;
  } catch (const CDaoException& e) {
    if (e.m_scode == DaoScode(kDaoResourcesExceeded)) return ZLE_OUT_OF_MEMORY;
    return e.m_scode == DaoScode(kDaoDatabaseExists) ? ZLE_IN_USE_OR_EXISTS : ZLE_CREATE_FAILED;
  } catch (...) {
    return CodeForCurrentException();
  }
}

// Builds the eighteen tables in layout order; the single DBINFO row is
// written as soon as its recordset is open.
void BuildTables(ZLHandleRecord& record) {
  for (int t = 0; t < ZLT_FIXED_TABLE_COUNT; ++t) {
    const auto table = static_cast<ZLFixedTable>(t);
    BuildFixedTable(*record.database, table, record.tableDefs[table], record.recordsets[table]);
    if (table == ZLT_DBINFO) {
      CZLRecordset& dbinfo = *record.recordsets[ZLT_DBINFO];
      dbinfo.AddNew();
      dbinfo.SetFieldValue(
          "VERSION", COleVariant(PackVersion(kCurrentDatabaseVersion, kCurrentStructureVersion)));
      dbinfo.Update();
      record.databaseVersion = static_cast<ZLDBVersion>(kCurrentDatabaseVersion);
      record.structureVersion = static_cast<ZLDBStructVersion>(kCurrentStructureVersion);
      record.languages = new ZLLanguageMaps;
    }
  }
}

// Removes what a failed creation built: the file, or the server library's
// tables.  Nothing else can have it yet (the engine refuses to create over
// an existing database); failures are ignored, the caller reports its own.
void RemoveHalfBuilt(const ZLDatabaseName& database) {
  if (!database.m_bServer) {
    DeleteFile(database.m_szName);
    return;
  }
  try {
    CDaoDatabase::DeleteServerLibrary(database.m_szName);
  } catch (const CException&) {
  }
}

ZLHandleOutcome CreateDatabase(const char* path) {
  ZLDatabaseName database;
  if (path == nullptr || !ResolveDatabaseName(path, database)) {
    return ZLHandleOutcome::Fail(ZLE_CREATE_FAILED);
  }
  const char* fullPath = database.m_szName;
  CNewHandle handle;
  if (!handle.IsValid()) return ZLHandleOutcome::Fail(ZLE_OUT_OF_MEMORY);
  ZLHandleRecord& record = handle.Record();
  int code = ZLE_OK;
  bool fileCreated = false;
  try {
    record.database = new CDaoDatabase(CDaoWorkspace::GetDefault());
    record.database->Create(fullPath, kCreateConnect, dbVersion30);
    fileCreated = true;
    record.database->Close();
    record.database->Open(fullPath, FALSE, FALSE, kDatabaseConnect);
    KeepOnlyRegistryDates(*record.database);
  } catch (...) {
    code = CreateFileFailureCode();
    if (fileCreated && code != ZLE_OUT_OF_MEMORY) code = ZLE_CREATE_FAILED;
  }
  if (code == ZLE_OK) {
    try {
      BuildTables(record);
    } catch (...) {
      code = CodeForCurrentException(ZLE_IN_USE_OR_EXISTS);
    }
  }
  if (code == ZLE_OK) {
    uint64_t device = 0, inode = 0;
    GetDatabaseIdentity(database, device, inode);
    return ZLHandleOutcome::Ok(handle.Publish(fullPath, "", eOpenReadWrite, device, inode));
  }
  if (fileCreated) {
    // The database did not exist before this call (the engine refuses to
    // create over an existing one), so a half-built one is ours to remove:
    // a caller must never find a database that looks like one but lacks
    // tables.  The handle's objects are closed first.
    ReleaseHandleResources(record);
    RemoveHalfBuilt(database);
  }
  return ZLHandleOutcome::Fail(code);
}

}  // namespace
}  // namespace zl

void* ZLCreateDatabase(const char* path) {
  return zl::RunCreatingHandle(ZLE_CREATE_FAILED, [&] { return zl::CreateDatabase(path); });
}
