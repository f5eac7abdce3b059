#include "additional_data/data_columns.h"

#include <memory>

#include "content/row_patterns.h"
#include "engine/dao_errors.h"
#include "frame/caller_numbers.h"
#include "frame/transaction.h"
#include "schema/zl_recordset.h"
#include "schema/zl_tabledef.h"
#include "zldbctrl70/errors.h"

namespace zl {
namespace {

constexpr const char kModelID[] = "MODEL_ID";
constexpr const char kModelIndex[] = "MODEL_ID_INDEX";

// The column a type code creates.
struct ZLColumnType {
  short type;
  long size;  // -1: the description's size
  bool zeroLength;
  long attributes;
};

ZLColumnType ColumnType(long code) {
  constexpr long kPlain = dbVariableField | dbUpdatableField;
  switch (code) {
    case 0:
      return {dbText, -1, true, kPlain};
    case 1:
      return {dbMemo, 0, true, kPlain};
    case 2:
      return {dbBoolean, 1, false, kPlain};
    case 3:
      return {dbByte, 1, false, kPlain};
    case 4:
      return {dbInteger, 2, false, kPlain};
    case 5:
      return {dbLong, 4, false, kPlain};
    case 6:
      return {dbSingle, 4, false, kPlain};
    case 7:
      return {dbDouble, 8, false, kPlain};
    case 8:
      return {dbDate, 8, false, kPlain};
    case 9:
      return {dbLongBinary, 0, false, kPlain};
    case 10:
      return {dbLong, 4, false, dbAutoIncrField};
    default:
      return {dbText, 40, false, kPlain};
  }
}

CZLRecordset& Infos(ZLHandleRecord& record) { return *record.recordsets[ZLT_ADDITIONAL_DATA_INFO]; }

const char* Name(const char* name) { return name != nullptr ? name : ""; }

// Seeks the description of name; false when there is none.
bool SeekInfo(ZLHandleRecord& record, const char* name) {
  COleVariant key{CString(Name(name))};
  return Infos(record).Seek("=", &key) != FALSE;
}

long Number(const COleVariant& value) {
  switch (value.vt) {
    case VT_I4:
      return value.lVal;
    case VT_I2:
      return value.iVal;
    case VT_BOOL:
      return value.boolVal != 0 ? 1 : 0;
    default:
      return 0;
  }
}

void ReadInfoRow(CZLRecordset& rs, CZLAdditionalDataInfoObject& info) {
  const COleVariant name = rs.GetFieldValue("DATANAME");
  const COleVariant text = rs.GetFieldValue("INFO");
  info.m_strDataName = name.vt == VT_BSTR ? CString(name.GetStringValue()) : CString();
  info.m_strInfo = text.vt == VT_BSTR ? CString(text.GetStringValue()) : CString();
  info.m_lType = Number(rs.GetFieldValue("TYPE"));
  info.m_lSize = Number(rs.GetFieldValue("SIZE"));
  info.m_lIndex = Number(rs.GetFieldValue("INDEX"));
  info.m_lDuplicate = Number(rs.GetFieldValue("DUPLICATE"));
  info.m_lState = Number(rs.GetFieldValue("STATE"));
}

// Closes the ADDITIONAL_DATA recordset for a change of the table's layout
// and opens it again (table type, record index) on every way out, so that
// a change that fails leaves the table as usable as before.
class CDataTableClosed {
 public:
  explicit CDataTableClosed(ZLHandleRecord& record)
      : m_rs(*record.recordsets[ZLT_ADDITIONAL_DATA]),
        m_tableDef(*record.tableDefs[ZLT_ADDITIONAL_DATA]) {
    m_rs.Close();
  }
  ~CDataTableClosed() {
    if (m_rs.IsOpen()) return;
    try {
      Reopen();
    } catch (...) {
      // The failure that got here is reported; the next operation that
      // needs the table reports why it cannot be opened.
    }
  }
  CDataTableClosed(const CDataTableClosed&) = delete;
  CDataTableClosed& operator=(const CDataTableClosed&) = delete;

  void Reopen() {
    m_rs.Open(&m_tableDef, dbOpenTable, 0);
    m_rs.SetCurrentIndex(kModelIndex);
  }

 private:
  CZLRecordset& m_rs;
  CZLTableDef& m_tableDef;
};

// Whether the table has an index of that name.
bool HasIndex(CZLTableDef& tableDef, const char* name) {
  const short count = tableDef.GetIndexCount();
  for (short i = 0; i < count; ++i) {
    CDaoIndexInfo index;
    tableDef.GetIndexInfo(i, index);
    if (index.m_strName.CompareNoCase(name) == 0) return true;
  }
  return false;
}

bool IsDuplicate(const CDaoException& e) { return e.m_scode == DaoScode(kDaoDuplicateKey); }

}  // namespace

int ReadColumnInfos(ZLHandleRecord& record, CZLAdditionalDataInfoArray& infos) {
  CZLRecordset& rs = Infos(record);
  if (rs.GetRecordCount() == 0) return ZLE_OK;
  for (rs.MoveFirst(); !rs.IsEOF(); rs.MoveNext()) {
    std::unique_ptr<CZLAdditionalDataInfoObject> info(new CZLAdditionalDataInfoObject);
    ReadInfoRow(rs, *info);
    infos.Add(info.get());
    info.release();
  }
  return ZLE_OK;
}

int ReadColumnInfo(ZLHandleRecord& record, CZLAdditionalDataInfoObject& info) {
  if (!SeekInfo(record, info.m_strDataName)) return ZLE_NO_DATA_COLUMN;
  ReadInfoRow(Infos(record), info);
  return ZLE_OK;
}

int WriteColumnInfo(ZLHandleRecord& record, const CZLAdditionalDataInfoObject& info) {
  COleVariant state;
  const int code = StoredNumber(info.m_lState, state);
  if (code != ZLE_OK) return code;
  if (!SeekInfo(record, info.m_strDataName)) return ZLE_NO_DATA_COLUMN;
  const ZLFieldValues values = {{"INFO", COleVariant(info.m_strInfo)}, {"STATE", state}};
  if (!RowDiffers(Infos(record), values)) return ZLE_OK;
  CRowWrite row(Infos(record), CRowWrite::kEdit);
  for (const auto& value : values) row.Set(value.first, value.second);
  row.Update();
  return ZLE_OK;
}

int CreateColumn(ZLHandleRecord& record, const CZLAdditionalDataInfoObject& info) {
  COleVariant type, size, state;
  int code = StoredNumber(info.m_lType, type);
  if (code == ZLE_OK) code = StoredNumber(info.m_lSize, size);
  if (code == ZLE_OK) code = StoredNumber(info.m_lState, state);
  if (code != ZLE_OK) return code;
  const char* name = info.m_strDataName;
  if (SeekInfo(record, name)) return ZLE_DATA_COLUMN_EXISTS;
  const ZLColumnType column = ColumnType(info.m_lType);
  CZLTableDef& tableDef = *record.tableDefs[ZLT_ADDITIONAL_DATA];
  CTransaction transaction;
  CDataTableClosed closed(record);
  tableDef.CreateFieldEx(name, column.type, column.size < 0 ? info.m_lSize : column.size,
                         column.attributes, column.zeroLength ? TRUE : FALSE);
  if (info.m_lIndex != 0) {
    CDaoIndexFieldInfo field;
    field.m_strName = name;
    CDaoIndexInfo index;
    index.m_strName = name;
    index.m_pFieldInfos = &field;
    index.m_nFields = 1;
    index.m_bUnique = info.m_lDuplicate == 0 ? TRUE : FALSE;
    tableDef.CreateIndex(index);
    index.m_pFieldInfos = nullptr;
  }
  closed.Reopen();
  {
    CRowWrite row(Infos(record), CRowWrite::kAddNew);
    row.Set("DATANAME", COleVariant(info.m_strDataName));
    row.Set("INFO", COleVariant(info.m_strInfo));
    row.Set("TYPE", type);
    row.Set("SIZE", size);
    row.Set("INDEX", COleVariant(static_cast<int32_t>(info.m_lIndex != 0), VT_BOOL));
    row.Set("DUPLICATE", COleVariant(static_cast<int32_t>(info.m_lDuplicate != 0), VT_BOOL));
    row.Set("STATE", state);
    row.Update();
  }
  transaction.Commit();
  return ZLE_OK;
}

int DeleteColumn(ZLHandleRecord& record, const char* dataName) {
  if (!SeekInfo(record, dataName)) return ZLE_NO_DATA_COLUMN;
  // The stored name is the column's (the look-up ignores case).
  const CString name = Infos(record).GetFieldValue("DATANAME").GetStringValue();
  CZLTableDef& tableDef = *record.tableDefs[ZLT_ADDITIONAL_DATA];
  CTransaction transaction;
  CDataTableClosed closed(record);
  if (HasIndex(tableDef, name)) tableDef.DeleteIndex(name);
  tableDef.DeleteField(name);
  if (!SeekInfo(record, name)) return ZLE_NO_DATA_COLUMN;
  Infos(record).Delete();
  closed.Reopen();
  transaction.Commit();
  return ZLE_OK;
}

int ReadColumnValue(ZLHandleRecord& record, long recordID, const char* dataName,
                    COleVariant& value) {
  if (!SeekInfo(record, dataName)) return ZLE_NO_DATA_COLUMN;
  CZLRecordset& data = *record.recordsets[ZLT_ADDITIONAL_DATA];
  if (!SeekID(data, recordID)) return ZLE_NO_RECORD;
  value = data.GetFieldValue(Name(dataName));
  return ZLE_OK;
}

int WriteColumnValue(ZLHandleRecord& record, long recordID, const char* dataName,
                     const COleVariant& value) {
  if (!SeekInfo(record, dataName)) return ZLE_NO_DATA_COLUMN;
  CZLRecordset& data = *record.recordsets[ZLT_ADDITIONAL_DATA];
  try {
    UpsertRow(data, {kModelID}, {IDKey(recordID)},
              [&](CRowWrite& row) { row.Set(Name(dataName), value); });
  } catch (const CDaoException& e) {
    if (IsDuplicate(e)) return ZLE_DUPLICATE;
    throw;
  }
  return ZLE_OK;
}

void DeleteRecordAdditionalData(ZLHandleRecord& record, long recordID) {
  CZLRecordset* data = record.recordsets[ZLT_ADDITIONAL_DATA];
  if (data != nullptr && FitsID(recordID)) DeleteRowByKey(*data, {IDKey(recordID)});
}

}  // namespace zl
