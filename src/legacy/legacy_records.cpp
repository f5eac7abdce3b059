#include "legacy/legacy_records.h"

#include <cstdint>
#include <limits>

#include "schema/zl_recordset.h"
#include "zldbctrl70/legacy.h"
#include "zldbctrl70/platform/datetime.h"

namespace zl::legacy {

CLegacyRowWrite::CLegacyRowWrite(CZLRecordset& rs, EMode mode) : m_rs(rs) {
  if (mode == kAddNew) {
    m_rs.AddNew();
  } else {
    m_rs.Edit();
  }
}

CLegacyRowWrite::~CLegacyRowWrite() {
  if (!m_pending) return;
  try {
    m_rs.CancelUpdate();
  } catch (...) {
    // No buffer is left to drop.
  }
}

void CLegacyRowWrite::Set(const char* field, const COleVariant& value) {
  if (value.vt == VT_NULL || value.vt == VT_EMPTY) {
    m_rs.SetFieldValueNull(field);
  } else {
    m_rs.SetFieldValue(field, value);
  }
}

void CLegacyRowWrite::Update() {
  m_rs.Update();
  m_pending = false;
}

int StoredLong(long value, COleVariant& stored) {
  if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max()) {
    return LZLE_ENGINE;
  }
  stored = COleVariant(static_cast<int32_t>(value));
  return LZLE_OK;
}

int PositionModel(ZLLegacyRecord& record, const CLegacyRowRef& row) {
  CZLRecordset& sdb = record.Recordset(LT_SDB);
  if (!row.byID) {
    sdb.SetBookmark(*row.bookmark);
    return LZLE_OK;
  }
  COleVariant key;
  if (StoredLong(row.id, key) != LZLE_OK) return LZLE_NO_RECORD;
  return sdb.Seek("=", &key) ? LZLE_OK : LZLE_NO_RECORD;
}

int ReadModelField(ZLLegacyRecord& record, const CLegacyRowRef& row, const char* field,
                   COleVariant& value) {
  const int code = PositionModel(record, row);
  if (code != LZLE_OK) return code;
  value = record.Recordset(LT_SDB).GetFieldValue(field);
  return value.vt == VT_NULL ? LZLE_NULL_VALUE : LZLE_OK;
}

int WriteModelField(ZLLegacyRecord& record, const CLegacyRowRef& row, const char* field,
                    const COleVariant& value, EStamp stamp) {
  const int code = PositionModel(record, row);
  if (code != LZLE_OK) return code;
  CLegacyRowWrite write(record.Recordset(LT_SDB), CLegacyRowWrite::kEdit);
  write.Set(field, value);
  if (stamp == EStamp::kDate) write.Set("DATE", COleVariant(COleDateTime::GetCurrentTime()));
  write.Update();
  if (stamp == EStamp::kLayoutChange) StampLayoutChange(record);
  return LZLE_OK;
}

int ModelID(ZLLegacyRecord& record, const CLegacyRowRef& row, long& id) {
  COleVariant value;
  const int code = ReadModelField(record, row, "ID", value);
  if (code == LZLE_OK) id = value.lVal;
  return code;
}

namespace {

// Positions LASTLAYOUTCHANGE on its one row; false when it has none.
bool OnLayoutChangeRow(ZLLegacyRecord& record) {
  CZLRecordset& rs = record.Recordset(LT_LASTLAYOUTCHANGE);
  if (rs.GetRecordCount() == 0) return false;
  rs.MoveFirst();
  return true;
}

}  // namespace

int32_t ReadLayoutVersion(ZLLegacyRecord& record) {
  COleVariant value;
  if (ReadLayoutChangeRow(record, "VERSION", value) != LZLE_OK) return 0;
  return value.lVal;
}

int ReadLayoutChangeRow(ZLLegacyRecord& record, const char* field, COleVariant& value) {
  if (!OnLayoutChangeRow(record)) return LZLE_NO_RECORD;
  value = record.Recordset(LT_LASTLAYOUTCHANGE).GetFieldValue(field);
  return value.vt == VT_NULL ? LZLE_NULL_VALUE : LZLE_OK;
}

void WriteLayoutChangeRow(ZLLegacyRecord& record, const char* field, const COleVariant& value) {
  const bool exists = OnLayoutChangeRow(record);
  CLegacyRowWrite write(record.Recordset(LT_LASTLAYOUTCHANGE),
                        exists ? CLegacyRowWrite::kEdit : CLegacyRowWrite::kAddNew);
  write.Set(field, value);
  write.Update();
}

void StampLayoutChange(ZLLegacyRecord& record) {
  WriteLayoutChangeRow(record, "DATE", COleVariant(COleDateTime::GetCurrentTime()));
}

void AppendAllBookmarks(CZLRecordset& rs, CObList& list) {
  if (rs.GetRecordCount() == 0) return;
  for (rs.MoveFirst(); !rs.IsEOF(); rs.MoveNext()) {
    auto* object = new CBookmarkObject;
    list.AddTail(object);
    object->m_varBookmark = rs.GetBookmark();
  }
}

}  // namespace zl::legacy
