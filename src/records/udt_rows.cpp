#include "records/udt_rows.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "content/row_patterns.h"
#include "engine/dao_errors.h"
#include "profiles/profile_tables.h"
#include "schema/zl_recordset.h"
#include "schema/zl_tabledef.h"
#include "tree/record_routines.h"

namespace zl {
namespace {

constexpr const char kUdtID[] = "UDT_ID";
constexpr const char kTableName[] = "TABLE_NAME";

std::string TextOf(const COleVariant& value) {
  if (value.vt != VT_BSTR) return std::string();
  std::string text(V_BSTRT(&value), value.GetStringLength());
  // UDTNAME is a fixed-width field: names are padded with spaces.
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

bool HasField(CDaoTableDef& def, const char* name) {
  for (short i = 0; i < def.GetFieldCount(); ++i) {
    CDaoFieldInfo field;
    def.GetFieldInfo(i, field);
    if (field.m_strName.CompareNoCase(name) == 0) return true;
  }
  return false;
}

// Opens an existing table's definition; false when the file has none.
bool OpenTableDef(CZLTableDef& def, const char* name) {
  try {
    def.Open(name);
    return true;
  } catch (const CDaoException& e) {
    if (e.m_scode == DaoScode(kDaoItemNotFound)) return false;
    throw;
  }
}

// The record's directory name (UDTNAME); 10 when it has none.
int DirectoryName(ZLHandleRecord& record, long recordID, std::string& name) {
  CZLRecordset& main = *record.Recordset(ZLT_MAIN);
  int code = SeekByID(record, main, "MODEL_ID", recordID);
  COleVariant value;
  if (code == ZLE_OK) code = ReadCurrentField(main, "UDTNAME", value);
  name = TextOf(value);
  if (code == ZLE_OK && name.empty()) code = ZLE_NULL_VALUE;
  return code;
}

// The data tables a directory lists, in its row order.
std::vector<std::string> ListedTables(ZLHandleRecord& record, const std::string& directory) {
  std::vector<std::string> tables;
  CZLRecordset rs(record.database);
  rs.Open(dbOpenTable, directory.c_str());
  if (rs.GetRecordCount() == 0) return tables;
  for (rs.MoveFirst(); !rs.IsEOF(); rs.MoveNext()) {
    std::string table = TextOf(rs.GetFieldValue(kTableName));
    if (!table.empty()) tables.push_back(std::move(table));
  }
  return tables;
}

// Calls visit(rs) with rs on each row of an open data table whose UDT_ID
// is key: through UDT_ID_INDEX when the table has it, else by a scan.
// visit may delete the row.
void ForEachKeyedRow(CZLRecordset& rs, const COleVariant& key,
                     const std::function<void(CZLRecordset&)>& visit) {
  bool indexed = true;
  try {
    rs.SetCurrentIndex("UDT_ID_INDEX");
  } catch (const CDaoException& e) {
    if (e.m_scode != DaoScode(kDaoNotAnIndex)) throw;
    indexed = false;
  }
  if (indexed) {
    COleVariant seek = key;
    if (!rs.Seek("=", &seek)) return;
    do {
      visit(rs);
    } while (rs.SeekNext(kUdtID, &key) != 0);
    return;
  }
  if (rs.GetRecordCount() == 0) return;
  for (rs.MoveFirst(); !rs.IsEOF(); rs.MoveNext()) {
    if (rs.GetFieldValue(kUdtID) == key) visit(rs);
  }
}

// Opens a listed data table; false when the file has no such table or it
// has no UDT_ID field.
bool OpenDataTable(const std::string& table, CZLTableDef& def, CZLRecordset& rs) {
  if (!OpenTableDef(def, table.c_str()) || !HasField(def, kUdtID)) return false;
  rs.Open(&def, dbOpenTable, 0);
  return true;
}

// Gives dest's table every field of source's (creating the table with the
// source's indexes when dest has none of that name).
void MatchTable(ZLHandleRecord& source, ZLHandleRecord& dest, const std::string& table) {
  CZLTableDef from(source.database);
  from.Open(table.c_str());
  CZLTableDef to(dest.database);
  const bool exists = OpenTableDef(to, table.c_str());
  if (!exists) to.Create(table.c_str());
  for (short i = 0; i < from.GetFieldCount(); ++i) {
    CDaoFieldInfo field;
    from.GetFieldInfo(i, field, AFX_DAO_ALL_INFO);
    if (!exists || !HasField(to, field.m_strName)) to.CreateField(field);
  }
  if (exists) return;
  for (short i = 0; i < from.GetIndexCount(); ++i) {
    CDaoIndexInfo index;
    from.GetIndexInfo(i, index, AFX_DAO_ALL_INFO);
    to.CreateIndex(index);
  }
  to.Append();
}

// Adds the table to dest's directory unless it lists it already.
void ListTable(ZLHandleRecord& dest, const std::string& directory, const std::string& table) {
  for (const std::string& listed : ListedTables(dest, directory)) {
    if (listed == table) return;
  }
  CZLRecordset rs(dest.database);
  rs.Open(dbOpenTable, directory.c_str());
  CRowWrite row(rs, CRowWrite::kAddNew);
  row.Set(kTableName, COleVariant(table.c_str()));
  row.Update();
}

using CRowValues = std::vector<std::pair<CString, COleVariant>>;

// Copies the source's rows of one data table under the new key.
void CopyDataRows(ZLHandleRecord& source, ZLHandleRecord& dest, const std::string& table,
                  const COleVariant& sourceKey, const COleVariant& destKey) {
  std::vector<CRowValues> rows;
  {
    CZLTableDef def(source.database);
    CZLRecordset rs(source.database);
    if (!OpenDataTable(table, def, rs)) return;
    ForEachKeyedRow(rs, sourceKey, [&](CZLRecordset& row) {
      CRowValues values;
      for (short i = 0; i < row.GetFieldCount(); ++i) {
        CDaoFieldInfo field;
        row.GetFieldInfo(i, field);
        if (field.m_strName.CompareNoCase(kUdtID) == 0) continue;
        values.emplace_back(field.m_strName, row.GetFieldValue(i));
      }
      rows.push_back(std::move(values));
    });
  }
  if (rows.empty()) return;
  MatchTable(source, dest, table);
  CZLRecordset rs(dest.database);
  rs.Open(dbOpenTable, table.c_str());
  for (const CRowValues& values : rows) {
    CRowWrite row(rs, CRowWrite::kAddNew);
    row.Set(kUdtID, destKey);
    for (const auto& value : values) row.Set(value.first, value.second);
    row.Update();
  }
}

}  // namespace

int FindUDTKey(ZLHandleRecord& record, long recordID, COleVariant& key) {
  CZLRecordset* ids = record.Recordset(ZLT_UDT_ID);
  if (ids == nullptr || SeekByID(record, *ids, "MODEL_ID", recordID) != ZLE_OK) {
    return ZLE_NO_RECORD;
  }
  key = ids->GetFieldValue(kUdtID);
  return ZLE_OK;
}

int DeleteUDTDataRows(ZLHandleRecord& record, long recordID, const COleVariant& key) {
  std::string directory;
  const int code = DirectoryName(record, recordID, directory);
  if (code != ZLE_OK) return code;
  for (const std::string& table : ListedTables(record, directory)) {
    CZLTableDef def(record.database);
    CZLRecordset rs(record.database);
    if (OpenDataTable(table, def, rs)) {
      ForEachKeyedRow(rs, key, [](CZLRecordset& row) { row.Delete(); });
    }
  }
  return ZLE_OK;
}

ZLOutcome DeleteUDTRows(ZLHandleRecord& record, long recordID) {
  COleVariant key;
  if (FindUDTKey(record, recordID, key) != ZLE_OK) return ZLOutcome::OkWithCode(ZLE_NO_RECORD);
  int code = DeleteUDTDataRows(record, recordID, key);
  CZLRecordset& ids = *record.Recordset(ZLT_UDT_ID);
  if (code == ZLE_OK) code = SeekByID(record, ids, "MODEL_ID", recordID);
  if (code != ZLE_OK) return ZLOutcome::Fail(code);
  ids.Delete();
  return ZLOutcome::Ok();
}

int DetachUserData(ZLHandleRecord& record, long recordID) {
  COleVariant key;
  if (FindUDTKey(record, recordID, key) != ZLE_OK) return ZLE_OK;
  // FindUDTKey left the record's UDT_ID row current.
  CRowWrite row(*record.Recordset(ZLT_UDT_ID), CRowWrite::kEdit);
  COleVariant none;
  none.SetNull();
  row.Set("MODEL_ID", none);
  row.Update();
  return ZLE_OK;
}

int DeleteUserData(ZLHandleRecord& record, long recordID) {
  COleVariant key;
  if (FindUDTKey(record, recordID, key) != ZLE_OK) return ZLE_OK;
  const int code = DeleteUDTDataRows(record, recordID, key);
  if (code != ZLE_OK && code != ZLE_NULL_VALUE) return code;
  return DeleteRecordProfiles(record, recordID);
}

ZLOutcome CopyUDTRows(ZLHandleRecord& source, long sourceID, ZLHandleRecord& dest, long destID) {
  int code = SeekByID(dest, *dest.Recordset(ZLT_MAIN), "MODEL_ID", destID);
  if (code != ZLE_OK) return ZLOutcome::Fail(code);
  COleVariant sourceKey;
  if (FindUDTKey(source, sourceID, sourceKey) != ZLE_OK) {
    return ZLOutcome::OkWithCode(ZLE_NO_RECORD);
  }
  if (&source == &dest && sourceID == destID) return ZLOutcome::Ok();
  std::string directory;
  code = DirectoryName(source, sourceID, directory);
  if (code != ZLE_OK) return ZLOutcome::Fail(code);
  // DirectoryName left the source's MAIN row current.
  const COleVariant wizardType = source.Recordset(ZLT_MAIN)->GetFieldValue("WIZTYPE");
  code = DeleteUserData(dest, destID);
  if (code != ZLE_OK) return ZLOutcome::Fail(code);

  CZLRecordset& main = *dest.Recordset(ZLT_MAIN);
  code = SeekByID(dest, main, "MODEL_ID", destID);
  if (code != ZLE_OK) return ZLOutcome::Fail(code);
  {
    CRowWrite row(main, CRowWrite::kEdit);
    row.Set("WIZTYPE", wizardType);
    row.Set("UDTNAME", COleVariant(directory.c_str()));
    row.Update();
  }
  CZLRecordset& ids = *dest.Recordset(ZLT_UDT_ID);
  {
    CRowWrite row(ids, CRowWrite::kAddNew);
    row.Set("MODEL_ID", IDKey(destID));
    row.Update();
  }
  ids.SetBookmark(ids.GetLastModifiedBookmark());
  const COleVariant destKey = ids.GetFieldValue(kUdtID);

  MatchTable(source, dest, directory);
  for (const std::string& table : ListedTables(source, directory)) {
    ListTable(dest, directory, table);
    CopyDataRows(source, dest, table, sourceKey, destKey);
  }
  return ZLOutcome::Ok();
}

}  // namespace zl
