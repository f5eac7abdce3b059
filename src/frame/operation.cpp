#include "frame/operation.h"

#include "engine/dao_database.h"
#include "engine/dao_errors.h"
#include "frame/guard.h"
#include "frame/language_maps.h"

namespace zl {

void TakeSnapshot(ZLHandleRecord& record) {
  if (!record.snapshotMode || record.snapshotHeld || record.callerTransactions > 0) return;
  record.database->BeginFileTrans(FALSE);
  record.snapshotHeld = TRUE;
}

void ReleaseSnapshot(ZLHandleRecord& record) {
  if (!record.snapshotHeld) return;
  record.snapshotHeld = FALSE;
  record.database->CommitFileTrans();
}

namespace {

int LanguageTableCount(const ZLHandleRecord& record) {
  if (record.languages == nullptr) return 0;
  int count = 0;
  for (const auto& tables : record.languages->resource) count += tables.tableDefs.GetCount();
  for (const auto& tables : record.languages->simulator) count += tables.tableDefs.GetCount();
  return count;
}

}  // namespace

void ForgetLanguageTables(ZLHandleRecord& record) {
  if (record.languages != nullptr) record.languages->Clear();
  record.resourceRegistryStamp = 0;
  record.simulatorRegistryStamp = 0;
}

int CodeForBeginFailure(int engineCode) {
  try {
    throw;
  } catch (const CDaoException& e) {
    const bool locked = e.m_scode == DaoScode(kDaoLockedByUser) ||
                        e.m_scode == DaoScode(kDaoSaveLocked) ||
                        e.m_scode == DaoScode(kDaoCannotLockFile);
    // Other engine failures (a replaced file, exhausted resources) keep the
    // codes they have everywhere.
    return locked ? ZLE_LOCKED : CodeForCurrentException(engineCode);
  } catch (...) {
    return CodeForCurrentException(engineCode);
  }
}

COperationScope::COperationScope(ZLHandleRecord& record, EAccess access, int engineCode)
    : m_record(record) {
  CDaoDatabase* database = record.database;
  if (access == EAccess::kNone || database == nullptr || !database->IsOpen()) return;
  try {
    const bool write = access == EAccess::kWrite && database->CanUpdate();
    if (write) {
      // The picture cannot take the write lock once others committed
      // after it was taken; the write ends it and the next call takes a
      // new one.
      if (database->GetFileTransDepth() == 1) ReleaseSnapshot(record);
    } else {
      TakeSnapshot(record);
    }
    if (write) {
      database->BeginFileTrans(TRUE);
    } else {
      database->BeginFileRead();
      m_reading = true;
    }
    m_open = true;
    m_languageTables = LanguageTableCount(record);
  } catch (...) {
    m_beginCode = CodeForBeginFailure(engineCode);
  }
}

COperationScope::~COperationScope() {
  if (!m_open) return;
  try {
    Undo();
  } catch (...) {
  }
}

void COperationScope::Undo() {
  m_open = false;
  m_record.database->RollbackFileTrans();
  // Tables the operation created or dropped may be back as they were.
  if (LanguageTableCount(m_record) != m_languageTables) ForgetLanguageTables(m_record);
}

bool COperationScope::RepeatInOneView() {
  if (!m_open || !m_reading || !m_record.database->ReadSawNewerState()) return false;
  m_open = false;
  m_reading = false;
  m_record.database->RollbackFileTrans();
  m_record.database->BeginFileTrans(FALSE);
  m_open = true;
  return true;
}

void COperationScope::End(bool succeeded) {
  if (!m_open) return;
  if (!succeeded) {
    Undo();
    return;
  }
  m_record.database->CommitFileTrans();
  m_open = false;
}

}  // namespace zl
