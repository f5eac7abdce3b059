// The handle of an open user-defined table: its record, validation, the
// registry of open table handles and the entry step of the table exports.
#ifndef ZLDBCTRL70_LEGACY_USER_TABLE_HANDLE_H_
#define ZLDBCTRL70_LEGACY_USER_TABLE_HANDLE_H_

#include <cstdint>
#include <mutex>
#include <utility>
#include <vector>

#include "engine/dao_fieldinfo.h"
#include "legacy/legacy_guard.h"
#include "zldbctrl70/legacy.h"

namespace zl::legacy {

constexpr uint32_t kUserTableMagic = 0x5A4C5554;  // "ZLUT"
constexpr int kUserTableNameChars = 65;           // engine names have 64 bytes at most

struct ZLUserTableRecord {
  HANDLE database;  // the legacy database handle
  char name[kUserTableNameChars];
  CZLTableDef* tableDef;               // owned; null once the database closed
  CZLRecordset* recordset;             // owned; null once the database closed
  std::vector<CDaoFieldInfo>* fields;  // owned; the fields in table order
  uint32_t magic;
};

// Pins a table handle for one call; valid only for an open table handle.
class CUserTableLock {
 public:
  explicit CUserTableLock(HANDLE handle);
  ~CUserTableLock();
  CUserTableLock(const CUserTableLock&) = delete;
  CUserTableLock& operator=(const CUserTableLock&) = delete;
  bool IsValid() const { return m_record != nullptr; }
  ZLUserTableRecord& Record() const { return *m_record; }

 private:
  HANDLE m_handle;
  ZLUserTableRecord* m_record;
};

// A new table handle, registered as open; the caller fills it.  Null when
// memory is exhausted.
HANDLE NewUserTableHandle();
// Releases the engine objects of the record (recordset before table
// definition) and its field list.
void ReleaseUserTableResources(ZLUserTableRecord& record);
// Unregisters and frees a table handle: 0, or 19 when it is not one.
int FreeUserTableHandle(HANDLE handle);
// Releases the engine objects of every open table of a database handle that
// is closing; their handles stay valid until closed, and refuse other calls
// with 6 (their database is gone).
void DetachUserTables(HANDLE database);

// Runs body(table, database) for an open table handle of an open database
// in one transaction: 19 a bad table handle, 6 a closed database.
template <typename Body>
int RunUserTable(ELegacyAccess access, void* hTable, Body&& body) {
  std::lock_guard<std::recursive_mutex> oneCallAtATime(OperationMutex());
  int code = LZLE_BAD_TABLE_HANDLE;
  try {
    CUserTableLock table(hTable);
    if (table.IsValid()) {
      CLegacyLock database(table.Record().database);
      code = LZLE_BAD_HANDLE;
      if (database.IsValid() && table.Record().recordset != nullptr) {
        CLegacyTransaction transaction(*database.Record().database, access);
        code = std::forward<Body>(body)(table.Record(), database.Record());
        transaction.End(code == LZLE_OK);
      }
    }
  } catch (...) {
    code = LegacyCodeForCurrentException();
  }
  SetLegacyLastError(code);
  return code == LZLE_OK ? 1 : 0;
}

}  // namespace zl::legacy

#endif  // ZLDBCTRL70_LEGACY_USER_TABLE_HANDLE_H_
