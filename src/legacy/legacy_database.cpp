// Opening, creating and closing legacy databases; the layout version and
// stamp of LASTLAYOUTCHANGE; the list of all models.
#include "legacy/legacy_database.h"

#include "engine/dao_database.h"
#include "legacy/legacy_guard.h"
#include "legacy/legacy_records.h"
#include "schema/zl_recordset.h"
#include "schema/zl_tabledef.h"
#include "zldbctrl70/legacy.h"
#include "zldbctrl70/platform/runtime_io.h"

namespace zl::legacy {
namespace {

// The locale a new legacy database is created with (it has no password).
const char kLegacyLocale[] = ";LANGID=0x0409;CP=1252;COUNTRY=0";

}  // namespace

void* OpenLegacyDatabase(const char* path, BOOL readOnly, int& code) {
  char fullPath[kLegacyPathChars];
  if (path == nullptr || _fullpath(fullPath, path, sizeof fullPath) == nullptr) {
    code = LZLE_FILE_NOT_FOUND;
    return nullptr;
  }
  if (HANDLE shared = FindOpenLegacyHandle(fullPath, readOnly)) {
    CLegacyLock lock(shared);
    ++lock.Record().referenceCount;
    code = LZLE_OK;
    return shared;
  }
  if (_access(fullPath, 0) != 0) {
    code = LZLE_FILE_NOT_FOUND;
    return nullptr;
  }
  if (!readOnly && _access(fullPath, 2) != 0) {
    code = LZLE_NOT_WRITABLE;
    return nullptr;
  }
  CNewLegacyHandle handle;
  if (!handle.IsValid()) {
    code = LZLE_OUT_OF_MEMORY;
    return nullptr;
  }
  // Engine failures leave through the guard as 8; the unfinished handle
  // releases what it holds on the way.
  ZLLegacyRecord& record = handle.Record();
  record.database = new CDaoDatabase(CDaoWorkspace::GetDefault());
  record.database->Open(fullPath, FALSE, readOnly ? TRUE : FALSE, "");
  for (int t = 0; t < LT_TABLE_COUNT; ++t) {
    const auto table = static_cast<ELegacyTable>(t);
    OpenLegacyTable(*record.database, table, record.tableDefs[table], record.recordsets[table]);
  }
  // A file without the version field is not a legacy database (3265).
  CDaoFieldInfo versionField;
  record.tableDefs[LT_LASTLAYOUTCHANGE]->GetFieldInfo("VERSION", versionField);
  record.layoutVersion = ReadLayoutVersion(record);
  code = LZLE_OK;
  return handle.Publish(fullPath, readOnly);
}

void* CreateLegacyDatabase(const char* path, int& code) {
  char fullPath[kLegacyPathChars];
  code = LZLE_ENGINE;
  if (path == nullptr || _fullpath(fullPath, path, sizeof fullPath) == nullptr) return nullptr;
  CNewLegacyHandle handle;
  if (!handle.IsValid()) {
    code = LZLE_OUT_OF_MEMORY;
    return nullptr;
  }
  ZLLegacyRecord& record = handle.Record();
  record.database = new CDaoDatabase(CDaoWorkspace::GetDefault());
  record.database->Create(fullPath, kLegacyLocale, dbVersion30);
  try {
    record.database->Close();
    record.database->Open(fullPath, FALSE, FALSE, "");
    CLegacyTransaction transaction(*record.database, ELegacyAccess::kWrite);
    for (int t = 0; t < LT_TABLE_COUNT; ++t) {
      const auto table = static_cast<ELegacyTable>(t);
      BuildLegacyTable(*record.database, table, record.tableDefs[table], record.recordsets[table]);
    }
    CZLRecordset& stamp = record.Recordset(LT_LASTLAYOUTCHANGE);
    CLegacyRowWrite row(stamp, CLegacyRowWrite::kAddNew);
    row.Set("DATE", COleVariant(COleDateTime::GetCurrentTime()));
    row.Set("VERSION", COleVariant(static_cast<int32_t>(LZL_DATABASE_VERSION)));
    row.Update();
    transaction.End(true);
  } catch (...) {
    // The file did not exist before (the engine refuses to create over one),
    // so a half-built file is removed: nobody may find a database without
    // its tables.
    ReleaseLegacyResources(record);
    DeleteFile(fullPath);
    throw;
  }
  record.layoutVersion = LZL_DATABASE_VERSION;
  code = LZLE_OK;
  return handle.Publish(fullPath, FALSE);
}

}  // namespace zl::legacy

using zl::legacy::ZLLegacyRecord;

void* OpenZLDatabase(const char* lpszPath, BOOL bReadOnly) {
  return zl::legacy::RunLegacyCreating(
      [&](int& code) { return zl::legacy::OpenLegacyDatabase(lpszPath, bReadOnly, code); });
}

void* CreateZLDatabase(const char* lpszPath) {
  return zl::legacy::RunLegacyCreating(
      [&](int& code) { return zl::legacy::CreateLegacyDatabase(lpszPath, code); });
}

int CloseZLDatabase(void* hDB) {
  std::lock_guard<std::recursive_mutex> oneCallAtATime(zl::OperationMutex());
  const int code = zl::legacy::ReleaseLegacyHandle(hDB);
  zl::legacy::SetLegacyLastError(code);
  return code == LZLE_OK ? 1 : 0;
}

int GetDatabaseVersion(void* hDB, long* plVersion) {
  return zl::legacy::RunLegacyRead(hDB, [&](ZLLegacyRecord& record) -> int {
    if (plVersion == nullptr) return LZLE_ENGINE;
    *plVersion = zl::legacy::ReadLayoutVersion(record);
    return LZLE_OK;
  });
}

int SetDatabaseVersion(void* hDB, long lVersion) {
  return zl::legacy::RunLegacyWrite(hDB, [&](ZLLegacyRecord& record) -> int {
    COleVariant stored;
    if (zl::legacy::StoredLong(lVersion, stored) != LZLE_OK) return LZLE_ENGINE;
    zl::legacy::WriteLayoutChangeRow(record, "VERSION", stored);
    record.layoutVersion = static_cast<int32_t>(lVersion);
    return LZLE_OK;
  });
}

int GetLastLayoutChangeDate(void* hDB, COleDateTime* pDate) {
  return zl::legacy::RunLegacyRead(hDB, [&](ZLLegacyRecord& record) -> int {
    if (pDate == nullptr) return LZLE_ENGINE;
    COleVariant value;
    const int code = zl::legacy::ReadLayoutChangeRow(record, "DATE", value);
    if (code == LZLE_OK) *pDate = COleDateTime(value.date);
    return code;
  });
}

int GetAllBookmarks(void* hDB, CObList* pList) {
  return zl::legacy::RunLegacyRead(hDB, [&](ZLLegacyRecord& record) -> int {
    if (pList == nullptr) return LZLE_ENGINE;
    zl::legacy::AppendAllBookmarks(record.Recordset(zl::legacy::LT_SDB), *pList);
    return LZLE_OK;
  });
}
