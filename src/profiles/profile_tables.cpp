#include "profiles/profile_tables.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <vector>

#include "content/row_patterns.h"
#include "engine/dao_database.h"
#include "engine/dao_errors.h"
#include "frame/dbinfo.h"
#include "frame/transaction.h"
#include "schema/layout.h"
#include "schema/zl_recordset.h"
#include "schema/zl_tabledef.h"
#include "tree/record_routines.h"
#include "tree/row_target.h"
#include "zldbctrl70/errors.h"

namespace zl {
namespace {

constexpr const char kUdtID[] = "UDT_ID";
constexpr const char kUdtIndex[] = "UDT_ID_INDEX";
constexpr const char kTableName[] = "TABLE_NAME";
constexpr const char kUdtName[] = "UDTNAME";

const char* const kNamePatterns[] = {"STRINGTAB_%08x", "SYMBOLS_%08x", "KEYWORD_%08x",
                                     "KEYWORDID_%08x", "UNIT_%08x",    "CALL_%s",
                                     "MACRO_%s",       "ACCESS_%s",    "PACKAGE_%s"};

const char* Text(const char* text) { return text != nullptr ? text : ""; }

CString TextOf(const COleVariant& value) {
  return value.vt == VT_BSTR ? CString(value.GetStringValue()) : CString();
}

bool IsNull(const COleVariant& value) { return value.vt == VT_NULL || value.vt == VT_EMPTY; }

// Opens the definition of an existing table; false when there is none.
bool OpenTableDef(CZLTableDef& def, const CString& name) {
  try {
    def.Open(name);
    return true;
  } catch (const CDaoException& e) {
    if (e.m_scode == DaoScode(kDaoItemNotFound)) return false;
    throw;
  }
}

bool HasField(CZLTableDef& def, const char* name) {
  const short count = def.GetFieldCount();
  for (short i = 0; i < count; ++i) {
    CDaoFieldInfo field;
    def.GetFieldInfo(i, field);
    if (field.m_strName.CompareNoCase(name) == 0) return true;
  }
  return false;
}

bool HasIndex(CZLTableDef& def, const char* name) {
  const short count = def.GetIndexCount();
  for (short i = 0; i < count; ++i) {
    CDaoIndexInfo index;
    def.GetIndexInfo(i, index);
    if (index.m_strName.CompareNoCase(name) == 0) return true;
  }
  return false;
}

// A table of the given name that is not a section table (a fixed or
// per-language table whose name a catalogue and section happen to spell)
// is refused before anything is written.
bool IsSectionTable(CZLTableDef& def) { return HasField(def, kUdtID) && HasIndex(def, kUdtIndex); }

// The record's user-defined-table ID; with create, a UDT_ID row is added
// when the record has none.
int ReadUdtID(ZLHandleRecord& record, long recordID, bool create, long& udtID) {
  CZLRecordset* ids = record.recordsets[ZLT_UDT_ID];
  if (ids == nullptr) return ZLE_ENGINE;
  RefreshUnlessSnapshot(record);
  if (!SeekID(*ids, recordID)) {
    if (!create) return ZLE_NO_RECORD;
    CRowWrite row(*ids, CRowWrite::kAddNew);
    row.Set("MODEL_ID", IDKey(recordID));
    row.Update();
    ids->SetBookmark(ids->GetLastModifiedBookmark());
  }
  const COleVariant id = ids->GetFieldValue(kUdtID);
  udtID = id.vt == VT_I4 ? id.lVal : 0;
  return ZLE_OK;
}

int ReadCatalog(ZLHandleRecord& record, long recordID, CString& catalog) {
  COleVariant value;
  const int code = ReadRowField(record, ZLRowRef::ByID(recordID), kUdtName, value);
  if (code == ZLE_OK) catalog = TextOf(value);
  return code;
}

// The record's section row: the section table, a recordset on it standing
// on the record's row (when found), and the IDs that lead there.
struct CSectionRow {
  explicit CSectionRow(CDaoDatabase* database) : def(database), rs(database) {}
  CZLTableDef def;
  CZLRecordset rs;  // closed before def (declared after it)
  long udtID = 0;
  CString catalog;
  CString table;
};

// The common start of reading and deleting: 11 without UDT_ID row, section
// table or section row, the read's code without UDTNAME.
int FindSectionRow(ZLHandleRecord& record, long recordID, const char* section, CSectionRow& row) {
  int code = ReadUdtID(record, recordID, false, row.udtID);
  if (code == ZLE_OK) code = ReadCatalog(record, recordID, row.catalog);
  if (code != ZLE_OK) return code;
  row.table = row.catalog + Text(section);
  if (!OpenTableDef(row.def, row.table)) return ZLE_NO_RECORD;
  if (!IsSectionTable(row.def)) return ZLE_ENGINE;
  row.rs.Open(&row.def, dbOpenTable, 0);
  row.rs.SetCurrentIndex(kUdtIndex);
  return SeekID(row.rs, row.udtID) ? ZLE_OK : ZLE_NO_RECORD;
}

// Removes an emptied section table and its catalogue row, then the
// catalogue when it is left without rows (clearing the record's UDTNAME).
// row.rs must be closed.
int RemoveSection(ZLHandleRecord& record, long recordID, CSectionRow& row) {
  row.def.Close();
  record.database->DeleteTableDef(row.table);
  CZLTableDef catalogDef(record.database);
  if (!OpenTableDef(catalogDef, row.catalog) || !HasField(catalogDef, kTableName)) return ZLE_OK;
  bool empty = false;
  {
    CZLRecordset catalog(record.database);
    catalog.Open(&catalogDef, dbOpenTable, 0);
    if (catalog.GetRecordCount() > 0) {
      for (catalog.MoveFirst(); !catalog.IsEOF(); catalog.MoveNext()) {
        if (TextOf(catalog.GetFieldValue(kTableName)) == row.table) {
          catalog.Delete();
        }
      }
    }
    empty = catalog.GetRecordCount() == 0;
  }
  if (!empty) return ZLE_OK;
  catalogDef.Close();
  record.database->DeleteTableDef(row.catalog);
  COleVariant none;
  none.SetNull();
  return WriteRowField(record, ZLRowRef::ByID(recordID), kUdtName, none);
}

// Deletes the record's section row (current) and cleans up after it.
int DeleteSectionRow(ZLHandleRecord& record, long recordID, CSectionRow& row) {
  row.rs.Delete();
  if (row.rs.GetRecordCount() > 0) return ZLE_OK;
  row.rs.Close();
  return RemoveSection(record, recordID, row);
}

// True when some column after UDT_ID of the current row holds a value.
bool RowHoldsValues(CZLRecordset& rs) {
  const short count = rs.GetFieldCount();
  for (short i = 1; i < count; ++i) {
    if (!IsNull(rs.GetFieldValue(static_cast<int>(i)))) return true;
  }
  return false;
}

// True when some row of the table holds a value in the column.
bool ColumnHoldsValues(CZLRecordset& rs, const char* field) {
  if (rs.GetRecordCount() == 0) return false;
  for (rs.MoveFirst(); !rs.IsEOF(); rs.MoveNext()) {
    if (!IsNull(rs.GetFieldValue(field))) return true;
  }
  return false;
}

}  // namespace

bool IsReservedCatalogName(const char* name) {
  const std::string text = Text(name);
  for (int table = 0; table < ZLT_FIXED_TABLE_COUNT; ++table) {
    if (text == FixedTableLayout(static_cast<ZLFixedTable>(table)).name) return true;
  }
  for (const char* pattern : kNamePatterns) {
    if (std::string(pattern).find(text) != std::string::npos) return true;
  }
  return false;
}

int ReadProfileString(ZLHandleRecord& record, long recordID, const char* section, const char* key,
                      CString& value) {
  CSectionRow row(record.database);
  const int code = FindSectionRow(record, recordID, section, row);
  if (code != ZLE_OK) return code;
  if (!HasField(row.def, Text(key))) return ZLE_NULL_VALUE;
  const COleVariant stored = row.rs.GetFieldValue(Text(key));
  if (IsNull(stored)) return ZLE_NULL_VALUE;
  value = TextOf(stored);
  return ZLE_OK;
}

int ListProfileStrings(ZLHandleRecord& record, long recordID,
                       std::vector<ZLProfileEntry>& entries) {
  entries.clear();
  int code = SeekByID(record, *record.recordsets[ZLT_MAIN], "MODEL_ID", recordID);
  if (code != ZLE_OK) return code;
  long udtID = 0;
  if (ReadUdtID(record, recordID, false, udtID) != ZLE_OK) return ZLE_OK;
  CString catalog;
  code = ReadCatalog(record, recordID, catalog);
  if (code == ZLE_NULL_VALUE) return ZLE_OK;
  if (code != ZLE_OK) return code;
  CZLTableDef catalogDef(record.database);
  if (!OpenTableDef(catalogDef, catalog) || !HasField(catalogDef, kTableName)) return ZLE_OK;
  std::vector<CString> tables;
  std::set<std::string> seen;
  {
    CZLRecordset rows(record.database);
    rows.Open(&catalogDef, dbOpenTable, 0);
    if (rows.GetRecordCount() > 0) {
      for (rows.MoveFirst(); !rows.IsEOF(); rows.MoveNext()) {
        const CString table = TextOf(rows.GetFieldValue(kTableName));
        // Table names compare without case in the engine: a section
        // listed twice, in any spelling, is one table.
        std::string folded = table.GetString();
        for (char& c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (table.GetLength() > catalog.GetLength() && table.Left(catalog.GetLength()) == catalog &&
            seen.insert(folded).second) {
          tables.push_back(table);
        }
      }
    }
  }
  for (const CString& table : tables) {
    CSectionRow row(record.database);
    if (!OpenTableDef(row.def, table) || !IsSectionTable(row.def)) continue;
    row.rs.Open(&row.def, dbOpenTable, 0);
    row.rs.SetCurrentIndex(kUdtIndex);
    if (!SeekID(row.rs, udtID)) continue;
    const std::string section = table.Mid(catalog.GetLength()).GetString();
    const short count = row.def.GetFieldCount();
    for (short i = 0; i < count; ++i) {
      CDaoFieldInfo field;
      row.def.GetFieldInfo(i, field);
      if (field.m_strName.CompareNoCase(kUdtID) == 0) continue;
      const COleVariant value = row.rs.GetFieldValue(field.m_strName);
      if (IsNull(value)) continue;
      entries.push_back({section, field.m_strName.GetString(), TextOf(value).GetString()});
    }
  }
  std::sort(entries.begin(), entries.end(), [](const ZLProfileEntry& a, const ZLProfileEntry& b) {
    return a.section != b.section ? a.section < b.section : a.key < b.key;
  });
  return ZLE_OK;
}

int WriteProfileString(ZLHandleRecord& record, long recordID, const char* catalog,
                       const char* section, const char* key, const CString& value) {
  int code = SeekByID(record, *record.recordsets[ZLT_MAIN], "MODEL_ID", recordID);
  if (code != ZLE_OK) return code;
  CTransaction transaction;
  CSectionRow row(record.database);
  code = ReadUdtID(record, recordID, true, row.udtID);
  if (code == ZLE_OK) code = ReadCatalog(record, recordID, row.catalog);
  if (code == ZLE_NULL_VALUE) {
    row.catalog = Text(catalog);
    code = WriteRowField(record, ZLRowRef::ByID(recordID), kUdtName, COleVariant(row.catalog));
  }
  if (code != ZLE_OK) return code;
  // The catalogue, with this section's entry.
  CZLTableDef catalogDef(record.database);
  if (!OpenTableDef(catalogDef, row.catalog)) {
    catalogDef.Create(row.catalog);
    catalogDef.CreateFieldEx(kTableName, dbText, 255, dbVariableField | dbUpdatableField, TRUE);
    catalogDef.Append();
  } else if (!HasField(catalogDef, kTableName)) {
    return ZLE_ENGINE;
  }
  row.table = row.catalog + Text(section);
  {
    CZLRecordset entries(record.database);
    entries.Open(&catalogDef, dbOpenTable, 0);
    bool listed = false;
    if (entries.GetRecordCount() > 0) {
      for (entries.MoveFirst(); !listed && !entries.IsEOF(); entries.MoveNext()) {
        listed = TextOf(entries.GetFieldValue(kTableName)) == row.table;
      }
    }
    if (!listed) {
      CRowWrite entry(entries, CRowWrite::kAddNew);
      entry.Set(kTableName, COleVariant(row.table));
      entry.Update();
    }
  }
  // The section table with the key's column, then the record's row.
  if (!OpenTableDef(row.def, row.table)) {
    row.def.Create(row.table);
    row.def.CreateFieldEx(kUdtID, dbLong, 4, dbUpdatableField, FALSE);
    CDaoIndexFieldInfo field;
    field.m_strName = kUdtID;
    CDaoIndexInfo index;
    index.m_strName = kUdtIndex;
    index.m_pFieldInfos = &field;
    index.m_nFields = 1;
    row.def.CreateIndex(index);
    row.def.Append();
  } else if (!IsSectionTable(row.def)) {
    return ZLE_ENGINE;
  }
  if (!HasField(row.def, Text(key))) {
    row.def.CreateFieldEx(Text(key), dbMemo, 0, dbVariableField | dbUpdatableField, TRUE);
  }
  row.rs.Open(&row.def, dbOpenTable, 0);
  row.rs.SetCurrentIndex(kUdtIndex);
  UpsertRow(row.rs, {kUdtID}, {IDKey(row.udtID)},
            [&](CRowWrite& write) { write.Set(Text(key), COleVariant(value)); });
  transaction.Commit();
  return ZLE_OK;
}

int DeleteProfileSection(ZLHandleRecord& record, long recordID, const char* section) {
  CSectionRow row(record.database);
  const int code = FindSectionRow(record, recordID, section, row);
  if (code != ZLE_OK) return code;
  CTransaction transaction;
  const int removed = DeleteSectionRow(record, recordID, row);
  if (removed != ZLE_OK) return removed;
  transaction.Commit();
  return ZLE_OK;
}

int DeleteProfileKey(ZLHandleRecord& record, long recordID, const char* section, const char* key) {
  CSectionRow row(record.database);
  const int code = FindSectionRow(record, recordID, section, row);
  if (code != ZLE_OK) return code;
  if (!HasField(row.def, Text(key))) return ZLE_NULL_VALUE;
  CTransaction transaction;
  {
    CRowWrite write(row.rs, CRowWrite::kEdit);
    COleVariant none;
    none.SetNull();
    write.Set(Text(key), none);
    write.Update();
  }
  if (row.def.GetFieldCount() <= 2 || !RowHoldsValues(row.rs)) {
    const int removed = DeleteSectionRow(record, recordID, row);
    if (removed != ZLE_OK) return removed;
    if (!row.rs.IsOpen()) {  // the section table went with it
      transaction.Commit();
      return ZLE_OK;
    }
  }
  if (!ColumnHoldsValues(row.rs, Text(key))) {
    row.rs.Close();
    row.def.DeleteField(Text(key));
  }
  transaction.Commit();
  return ZLE_OK;
}

int DeleteRecordProfiles(ZLHandleRecord& record, long recordID) {
  long udtID = 0;
  if (ReadUdtID(record, recordID, false, udtID) != ZLE_OK) return ZLE_OK;
  CString catalog;
  int code = ReadCatalog(record, recordID, catalog);
  if (code != ZLE_OK && code != ZLE_NULL_VALUE) return code;
  CTransaction transaction;
  std::vector<CString> tables;
  if (code == ZLE_OK) {
    CZLTableDef catalogDef(record.database);
    if (OpenTableDef(catalogDef, catalog) && HasField(catalogDef, kTableName)) {
      CZLRecordset entries(record.database);
      entries.Open(&catalogDef, dbOpenTable, 0);
      if (entries.GetRecordCount() > 0) {
        for (entries.MoveFirst(); !entries.IsEOF(); entries.MoveNext()) {
          tables.push_back(TextOf(entries.GetFieldValue(kTableName)));
        }
      }
    }
  }
  for (const CString& table : tables) {
    CSectionRow row(record.database);
    row.udtID = udtID;
    row.catalog = catalog;
    row.table = table;
    if (!OpenTableDef(row.def, table) || !IsSectionTable(row.def)) continue;
    row.rs.Open(&row.def, dbOpenTable, 0);
    row.rs.SetCurrentIndex(kUdtIndex);
    ForEachOwnedRow(row.rs, kUdtID, udtID, [](CZLRecordset& rs) {
      rs.Delete();
      return true;
    });
    if (row.rs.GetRecordCount() == 0) {
      row.rs.Close();
      code = RemoveSection(record, recordID, row);
      if (code != ZLE_OK) return code;
    }
  }
  CZLRecordset& ids = *record.recordsets[ZLT_UDT_ID];
  if (SeekID(ids, recordID)) ids.Delete();
  transaction.Commit();
  return ZLE_OK;
}

}  // namespace zl
