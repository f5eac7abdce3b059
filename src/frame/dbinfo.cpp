#include "frame/dbinfo.h"

#include "engine/dao_database.h"
#include "engine/dao_errors.h"
#include "engine/dao_workspace.h"
#include "schema/zl_recordset.h"

namespace zl {

COleVariant ReadDbInfoField(ZLHandleRecord& record, const char* field) {
  CZLRecordset& dbinfo = *record.recordsets[ZLT_DBINFO];
  // The table holds one row; moving to it costs one look-up and does not
  // depend on where an earlier call left the recordset.
  dbinfo.MoveFirst();
  return dbinfo.GetFieldValue(field);
}

void WriteDbInfoField(ZLHandleRecord& record, const char* field, const COleVariant* value) {
  CZLRecordset& dbinfo = *record.recordsets[ZLT_DBINFO];
  // Moving to the first row (one look-up, which reads the table as it is
  // now, not the recordset's flags) finds the row or finds none.
  bool empty = false;
  try {
    dbinfo.MoveFirst();
  } catch (const CDaoException& e) {
    if (e.m_scode != DaoScode(kDaoNoCurrentRecord)) throw;
    empty = true;
  }
  if (empty) {
    dbinfo.AddNew();
  } else {
    dbinfo.Edit();
  }
  try {
    if (value == nullptr || value->vt == VT_NULL) {
      dbinfo.SetFieldValueNull(field);
    } else {
      dbinfo.SetFieldValue(field, *value);
    }
    dbinfo.Update();
  } catch (...) {
    // Leave no edit buffer behind for the next writer to trip over.
    if (dbinfo.GetEditMode() != dbEditNone) dbinfo.CancelUpdate();
    throw;
  }
}

void StampLayoutChange(ZLHandleRecord& record) {
  const COleVariant now(COleDateTime::GetCurrentTime());
  WriteDbInfoField(record, "LASTLAYOUTCHANGE", &now);
}

void StampPackageChange(ZLHandleRecord& record) {
  const COleVariant now(COleDateTime::GetCurrentTime());
  WriteDbInfoField(record, "LASTVHDLPACKAGECHANGE", &now);
}

void RefreshUnlessSnapshot(const ZLHandleRecord& record) {
  if (record.snapshotMode) return;
  if (record.database != nullptr && record.database->GetFileTransDepth() > 0) return;
  CDaoWorkspace::Idle(dbRefreshCache);
}

}  // namespace zl
