#include "tree/record_routines.h"

#include "engine/dao_errors.h"
#include "frame/caller_numbers.h"
#include "frame/dbinfo.h"
#include "frame/guard.h"
#include "resources/resource_tables.h"
#include "schema/zl_recordset.h"

namespace zl {
namespace {

// Reads a field of the current row; NULL is 10.
int ReadCurrent(CZLRecordset& rs, const char* field, COleVariant& value) {
  value = rs.GetFieldValue(field);
  return value.vt == VT_NULL ? ZLE_NULL_VALUE : ZLE_OK;
}

// Edit + set + Update of the current row; the edit buffer never outlives a
// failure.
void WriteCurrent(CZLRecordset& rs, const char* field, const COleVariant& value) {
  rs.Edit();
  try {
    if (value.vt == VT_NULL || value.vt == VT_EMPTY) {
      rs.SetFieldValueNull(field);
    } else {
      rs.SetFieldValue(field, value);
    }
    rs.Update();
  } catch (...) {
    if (rs.GetEditMode() != dbEditNone) rs.CancelUpdate();
    throw;
  }
}

CZLRecordset& Main(ZLHandleRecord& record) { return *record.recordsets[ZLT_MAIN]; }

}  // namespace

int SeekByID(ZLHandleRecord& record, CZLRecordset& rs, const char* idField, long id) {
  int32_t key32 = 0;
  const int range = LookupKey(id, key32);
  if (range != ZLE_OK) return range;
  return CatchEngineErrors([&]() {
    RefreshUnlessSnapshot(record);
    // The row the recordset stands on is often the one asked for again.
    try {
      const COleVariant current = rs.GetFieldValue(idField);
      if (current.vt == VT_I4 && current.lVal == key32) return ZLE_OK;
    } catch (const CDaoException& e) {
      if (e.m_scode != DaoScode(kDaoNoCurrentRecord)) throw;
    }
    COleVariant key(key32);
    return rs.Seek("=", &key) ? ZLE_OK : ZLE_NO_RECORD;
  });
}

int SeekByBookmark(ZLHandleRecord& record, const COleVariant& bookmark) {
  return CatchEngineErrors(
      [&]() {
        Main(record).SetBookmark(bookmark);
        return ZLE_OK;
      },
      ZLE_BAD_BOOKMARK);
}

int ReadCurrentField(CZLRecordset& rs, const char* field, COleVariant& value) {
  return CatchEngineErrors([&]() { return ReadCurrent(rs, field, value); });
}

int WriteCurrentField(CZLRecordset& rs, const char* field, const COleVariant& value) {
  return CatchEngineErrors([&]() {
    WriteCurrent(rs, field, value);
    return ZLE_OK;
  });
}

int CurrentResourceID(ZLHandleRecord& record, CZLRecordset& rs, const char* resourceField,
                      bool allocate, COleVariant& resourceID) {
  resourceID = rs.GetFieldValue(resourceField);
  if (resourceID.vt != VT_NULL) return ZLE_OK;
  if (!allocate) return ZLE_NULL_VALUE;
  // The new ID is stored in the row before its text is written.
  const COleVariant newID = NewResourceID(record);
  WriteCurrent(rs, resourceField, newID);
  resourceID = newID;
  return ZLE_OK;
}

int ReadCurrentText(ZLHandleRecord& record, CZLRecordset& rs, WORD language,
                    const char* resourceField, COleVariant& text) {
  return CatchEngineErrors([&]() {
    COleVariant resourceID;
    const int code = CurrentResourceID(record, rs, resourceField, false, resourceID);
    if (code != ZLE_OK) return code;
    return GetResourceText(record, resourceID, language, text);
  });
}

int WriteCurrentText(ZLHandleRecord& record, CZLRecordset& rs, WORD language,
                     const char* resourceField, const COleVariant& text) {
  return CatchEngineErrors([&]() {
    COleVariant resourceID;
    CurrentResourceID(record, rs, resourceField, true, resourceID);
    return SetResourceText(record, resourceID, language, text);
  });
}

}  // namespace zl
