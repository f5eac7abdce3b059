#include "records/udt_rows.h"

#include <string>

#include "engine/dao_errors.h"
#include "schema/zl_recordset.h"
#include "tree/record_routines.h"

namespace zl {
namespace {

std::string TextOf(const COleVariant& value) {
  if (value.vt != VT_BSTR) return std::string();
  std::string text(V_BSTRT(&value), value.GetStringLength());
  // UDTNAME is a fixed-width field: names are padded with spaces.
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

// Deletes the rows of one data table whose UDT_ID equals key: through its
// index UDT_ID_INDEX when it has one, else by a scan.
void DeleteDataRows(ZLHandleRecord& record, const std::string& table, const COleVariant& key) {
  CZLRecordset rs(record.database);
  rs.Open(dbOpenTable, table.c_str());
  bool indexed = true;
  try {
    rs.SetCurrentIndex("UDT_ID_INDEX");
  } catch (const CDaoException& e) {
    if (e.m_scode != DaoScode(kDaoNotAnIndex)) return;  // the table is left as it is
    indexed = false;
  }
  if (indexed) {
    COleVariant seek = key;
    if (!rs.Seek("=", &seek)) return;
    do {
      rs.Delete();
    } while (rs.SeekNext("UDT_ID", &key) != 0);
    return;
  }
  if (rs.GetRecordCount() == 0) return;
  rs.MoveFirst();
  while (!rs.IsEOF()) {
    const COleVariant value = rs.GetFieldValue("UDT_ID");
    if (value == key) rs.Delete();
    rs.MoveNext();
  }
}

}  // namespace

ZLOutcome DeleteUDTRows(ZLHandleRecord& record, long recordID) {
  CZLRecordset* ids = record.Recordset(ZLT_UDT_ID);
  if (ids == nullptr) return ZLOutcome::OkWithCode(ZLE_NO_RECORD);
  if (SeekByID(record, *ids, "MODEL_ID", recordID) != ZLE_OK) {
    return ZLOutcome::OkWithCode(ZLE_NO_RECORD);
  }
  const COleVariant key = ids->GetFieldValue("UDT_ID");
  CZLRecordset& main = *record.Recordset(ZLT_MAIN);
  int code = SeekByID(record, main, "MODEL_ID", recordID);
  COleVariant name;
  if (code == ZLE_OK) code = ReadCurrentField(main, "UDTNAME", name);
  if (code == ZLE_OK && TextOf(name).empty()) code = ZLE_NULL_VALUE;
  if (code != ZLE_OK) return ZLOutcome::Fail(code);

  CZLRecordset directory(record.database);
  directory.Open(dbOpenTable, TextOf(name).c_str());
  if (directory.GetRecordCount() > 0) {
    directory.MoveFirst();
    while (!directory.IsEOF()) {
      const std::string table = TextOf(directory.GetFieldValue("TABLE_NAME"));
      if (!table.empty()) DeleteDataRows(record, table, key);
      directory.MoveNext();
    }
  }
  directory.Close();
  code = SeekByID(record, *ids, "MODEL_ID", recordID);
  if (code != ZLE_OK) return ZLOutcome::Fail(code);
  ids->Delete();
  return ZLOutcome::Ok();
}

}  // namespace zl
