#include "legacy/legacy_handle.h"

#include "engine/close_quietly.h"
#include "engine/dao_database.h"
#include "legacy/user_table_handle.h"
#include "schema/zl_recordset.h"
#include "schema/zl_tabledef.h"
#include "zldbctrl70/legacy.h"
#include "zldbctrl70/platform/globalmem.h"
#include "zldbctrl70/platform/runtime_io.h"

namespace zl::legacy {
namespace {

// Head of the list of open legacy handles (the current interface keeps its
// own list).
HANDLE g_openLegacyHandles = nullptr;

ZLLegacyRecord* LockLegacyRecord(HANDLE handle) {
  if (GlobalSize(handle) < sizeof(ZLLegacyRecord)) return nullptr;
  auto* record = static_cast<ZLLegacyRecord*>(GlobalLock(handle));
  if (record == nullptr) return nullptr;
  if (record->magic != kLegacyRecordMagic) {
    GlobalUnlock(handle);
    return nullptr;
  }
  return record;
}

bool Unlink(HANDLE handle, ZLLegacyRecord& record) {
  if (g_openLegacyHandles == handle) {
    g_openLegacyHandles = record.next;
    return true;
  }
  for (HANDLE current = g_openLegacyHandles; current != nullptr;) {
    CLegacyLock lock(current);
    if (!lock.IsValid()) return false;
    if (lock.Record().next == handle) {
      lock.Record().next = record.next;
      return true;
    }
    current = lock.Record().next;
  }
  return false;
}

}  // namespace

CLegacyLock::CLegacyLock(HANDLE handle) : m_handle(handle), m_record(LockLegacyRecord(handle)) {}

CLegacyLock::~CLegacyLock() {
  if (m_record != nullptr) GlobalUnlock(m_handle);
}

HANDLE FindOpenLegacyHandle(const char* path, BOOL readOnly) {
  for (HANDLE handle = g_openLegacyHandles; handle != nullptr;) {
    CLegacyLock lock(handle);
    if (!lock.IsValid()) return nullptr;
    const ZLLegacyRecord& record = lock.Record();
    if (lstrcmpi(record.path, path) == 0 && (record.readOnly != 0) == (readOnly != 0)) {
      return handle;
    }
    handle = record.next;
  }
  return nullptr;
}

CNewLegacyHandle::CNewLegacyHandle() {
  m_handle = GlobalAlloc(GHND, sizeof(ZLLegacyRecord));
  if (m_handle == nullptr) return;
  m_record = static_cast<ZLLegacyRecord*>(GlobalLock(m_handle));
  if (m_record != nullptr) m_record->magic = kLegacyRecordMagic;
}

CNewLegacyHandle::~CNewLegacyHandle() {
  if (m_handle == nullptr) return;  // published, or never allocated
  if (m_record != nullptr) {
    ReleaseLegacyResources(*m_record);
    m_record->magic = 0;
    GlobalUnlock(m_handle);
  }
  GlobalFree(m_handle);
}

HANDLE CNewLegacyHandle::Publish(const char* path, BOOL readOnly) {
  size_t i = 0;
  for (; path[i] != '\0' && i + 1 < sizeof m_record->path; ++i) m_record->path[i] = path[i];
  m_record->path[i] = '\0';
  m_record->readOnly = readOnly ? TRUE : FALSE;
  m_record->referenceCount = 1;
  m_record->next = g_openLegacyHandles;
  g_openLegacyHandles = m_handle;
  GlobalUnlock(m_handle);
  m_record = nullptr;
  HANDLE handle = m_handle;
  m_handle = nullptr;
  return handle;
}

void ReleaseLegacyResources(ZLLegacyRecord& record) {
  for (auto*& recordset : record.recordsets) CloseAndDelete(recordset);
  for (auto*& tableDef : record.tableDefs) CloseAndDelete(tableDef);
  CloseAndDelete(record.database);
}

int ReleaseLegacyHandle(HANDLE handle) {
  {
    CLegacyLock lock(handle);
    if (!lock.IsValid()) return LZLE_BAD_HANDLE;
    ZLLegacyRecord& record = lock.Record();
    if (--record.referenceCount > 0) return LZLE_OK;
    if (!Unlink(handle, record)) {
      ++record.referenceCount;
      return LZLE_BAD_HANDLE;
    }
    // Open tables of the database lose their engine objects first, which
    // must not outlive the database object.
    DetachUserTables(handle);
    ReleaseLegacyResources(record);
    record.magic = 0;
  }
  GlobalFree(handle);
  return LZLE_OK;
}

}  // namespace zl::legacy
