#include "legacy/user_table_handle.h"

#include <algorithm>

#include "engine/close_quietly.h"
#include "schema/zl_recordset.h"
#include "schema/zl_tabledef.h"
#include "zldbctrl70/platform/globalmem.h"

namespace zl::legacy {
namespace {

// The open table handles, apart from both kinds of database handle.
std::vector<HANDLE>& OpenUserTables() {
  static std::vector<HANDLE> handles;
  return handles;
}

ZLUserTableRecord* LockUserTable(HANDLE handle) {
  if (GlobalSize(handle) < sizeof(ZLUserTableRecord)) return nullptr;
  auto* record = static_cast<ZLUserTableRecord*>(GlobalLock(handle));
  if (record == nullptr) return nullptr;
  if (record->magic != kUserTableMagic) {
    GlobalUnlock(handle);
    return nullptr;
  }
  return record;
}

}  // namespace

CUserTableLock::CUserTableLock(HANDLE handle) : m_handle(handle), m_record(LockUserTable(handle)) {}

CUserTableLock::~CUserTableLock() {
  if (m_record != nullptr) GlobalUnlock(m_handle);
}

HANDLE NewUserTableHandle() {
  HANDLE handle = GlobalAlloc(GHND, sizeof(ZLUserTableRecord));
  if (handle == nullptr) return nullptr;
  auto* record = static_cast<ZLUserTableRecord*>(GlobalLock(handle));
  record->magic = kUserTableMagic;
  GlobalUnlock(handle);
  try {
    OpenUserTables().push_back(handle);
  } catch (...) {
    GlobalFree(handle);
    throw;
  }
  return handle;
}

void ReleaseUserTableResources(ZLUserTableRecord& record) {
  CloseAndDelete(record.recordset);
  CloseAndDelete(record.tableDef);
  delete record.fields;
  record.fields = nullptr;
}

int FreeUserTableHandle(HANDLE handle) {
  auto& handles = OpenUserTables();
  const auto it = std::find(handles.begin(), handles.end(), handle);
  {
    CUserTableLock lock(handle);
    if (!lock.IsValid() || it == handles.end()) return LZLE_BAD_TABLE_HANDLE;
    ReleaseUserTableResources(lock.Record());
    lock.Record().magic = 0;
  }
  handles.erase(it);
  GlobalFree(handle);
  return LZLE_OK;
}

void DetachUserTables(HANDLE database) {
  for (HANDLE handle : OpenUserTables()) {
    CUserTableLock lock(handle);
    if (lock.IsValid() && lock.Record().database == database) {
      ReleaseUserTableResources(lock.Record());
    }
  }
}

}  // namespace zl::legacy
