#include "frame/handle_record.h"

#include <sys/stat.h>

#include "engine/close_quietly.h"
#include "engine/dao_database.h"
#include "frame/last_error.h"
#include "frame/operation.h"
#include "frame/startup.h"
#include "schema/zl_recordset.h"
#include "schema/zl_tabledef.h"
#include "zldbctrl70/platform/globalmem.h"

namespace zl {
namespace {

// Head of the list of open handles; process-wide like the last error.
HANDLE g_openHandles = nullptr;

ZLHandleRecord* LockRecord(HANDLE handle) {
  if (GlobalSize(handle) < sizeof(ZLHandleRecord)) return nullptr;
  auto* record = static_cast<ZLHandleRecord*>(GlobalLock(handle));
  if (record == nullptr) return nullptr;
  if (record->magic != kHandleRecordMagic) {
    GlobalUnlock(handle);
    return nullptr;
  }
  return record;
}

}  // namespace

CHandleLock::CHandleLock(HANDLE handle) : m_handle(handle), m_record(LockRecord(handle)) {}

CHandleLock::~CHandleLock() { Release(); }

void CHandleLock::Release() {
  if (m_record != nullptr) {
    GlobalUnlock(m_handle);
    m_record = nullptr;
  }
}

HANDLE OpenHandleListHead() { return g_openHandles; }

void LinkOpenHandle(HANDLE handle, ZLHandleRecord& record) {
  record.next = g_openHandles;
  g_openHandles = handle;
}

bool UnlinkOpenHandle(HANDLE handle, ZLHandleRecord& record) {
  if (g_openHandles == handle) {
    g_openHandles = record.next;
    record.next = nullptr;
    return true;
  }
  HANDLE current = g_openHandles;
  while (current != nullptr) {
    CHandleLock lock(current);
    if (!lock.IsValid()) return false;
    if (lock.Record().next == handle) {
      lock.Record().next = record.next;
      record.next = nullptr;
      return true;
    }
    current = lock.Record().next;
  }
  return false;
}

bool GetFileIdentity(const char* path, uint64_t& device, uint64_t& inode) {
  struct stat info;
  if (path == nullptr || ::stat(path, &info) != 0) return false;
  device = static_cast<uint64_t>(info.st_dev);
  inode = static_cast<uint64_t>(info.st_ino);
  return true;
}

CNewHandle::CNewHandle() {
  m_handle = GlobalAlloc(GHND, sizeof(ZLHandleRecord));
  if (m_handle == nullptr) return;
  auto* record = static_cast<ZLHandleRecord*>(GlobalLock(m_handle));
  if (record != nullptr) {
    record->magic = kHandleRecordMagic;
    GlobalUnlock(m_handle);
  }
  m_lock = new CHandleLock(m_handle);
}

CNewHandle::~CNewHandle() {
  if (m_handle == nullptr) return;  // published, or never allocated
  if (m_lock != nullptr && m_lock->IsValid()) {
    ReleaseHandleResources(m_lock->Record());
    m_lock->Record().magic = 0;
  }
  delete m_lock;
  GlobalFree(m_handle);
}

HANDLE CNewHandle::Publish(const char* path, const char* login, EOpenMode mode, uint64_t device,
                           uint64_t inode) {
  ZLHandleRecord& record = m_lock->Record();
  CopyToField(record.path, path);
  CopyToField(record.login, login);
  record.openMode = mode;
  record.referenceCount = 1;
  record.fileDevice = device;
  record.fileInode = inode;
  CloseHandlesAtExit();
  LinkOpenHandle(m_handle, record);
  delete m_lock;
  m_lock = nullptr;
  HANDLE handle = m_handle;
  m_handle = nullptr;
  return handle;
}

void ReleaseHandleResources(ZLHandleRecord& record) {
  // What the handle left open on the file is undone: a caller transaction
  // is rolled back, the snapshot ended (other handles may share the file).
  if (record.database != nullptr && record.database->IsOpen()) {
    try {
      while (record.callerTransactions > 0) {
        --record.callerTransactions;
        record.database->RollbackFileTrans();
      }
      ReleaseSnapshot(record);
    } catch (...) {
    }
  }
  record.callerTransactions = 0;
  record.snapshotHeld = FALSE;
  if (record.languages != nullptr) {
    delete record.languages;  // closes and deletes every language table
    record.languages = nullptr;
  }
  for (int table = 0; table < ZLT_FIXED_TABLE_COUNT; ++table) {
    CloseAndDelete(record.recordsets[table]);
    CloseAndDelete(record.tableDefs[table]);
  }
  CloseAndDelete(record.database);
}

int DestroyHandle(HANDLE handle) {
  {
    CHandleLock lock(handle);
    if (!lock.IsValid() || !UnlinkOpenHandle(handle, lock.Record())) return ZLE_BAD_HANDLE;
    ReleaseHandleResources(lock.Record());
    // A freed block must not pass as a handle record if its memory is seen
    // again through a stale pointer.
    lock.Record().magic = 0;
  }
  GlobalFree(handle);
  return ZLE_OK;
}

}  // namespace zl
