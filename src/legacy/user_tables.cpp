// User-defined tables: creation, opening and description in the UDT type
// codes, and their rows by bookmark.
#include "zldbctrl70/user_tables.h"

#include <cstring>
#include <iterator>

#include "engine/bookkeeping.h"
#include "engine/close_quietly.h"
#include "engine/dao_database.h"
#include "legacy/legacy_records.h"
#include "legacy/user_table_handle.h"
#include "schema/zl_recordset.h"
#include "schema/zl_tabledef.h"

namespace zl::legacy {
namespace {

// How a type code is created and how it is reported.
struct CUDTType {
  int code;
  short daoType;
  long size;  // created and reported; -1: the text size given
  long attributes;
  bool allowZeroLength;
};
constexpr long kVar = dbVariableField | dbUpdatableField;
const CUDTType kTypes[] = {
    {UDT_TEXT, dbText, -1, kVar, true},
    {UDT_MEMO, dbMemo, 0, kVar, true},
    {UDT_YESNO, dbBoolean, 1, kVar, false},
    {UDT_BYTE, dbByte, 1, kVar, false},
    {UDT_INTEGER, dbInteger, 2, kVar, false},
    {UDT_LONG, dbLong, 4, kVar, false},
    {UDT_SINGLE, dbSingle, 4, kVar, false},
    {UDT_DOUBLE, dbDouble, 8, kVar, false},
    {UDT_DATE, dbDate, 8, kVar, false},
    {UDT_LONGBINARY, dbLongBinary, 0, kVar, false},
    {UDT_AUTONUMBER, dbLong, 4, dbAutoIncrField, false},
};
// Any other code.
const CUDTType kOtherType = {-1, dbText, 40, kVar, false};

const CUDTType& CreatedType(int code) {
  for (const CUDTType& type : kTypes) {
    if (type.code == code) return type;
  }
  return kOtherType;
}

// Type and size of an engine field in UDT terms; false for engine types the
// codes do not cover (they leave the caller's values alone).
bool ReportedType(const CDaoFieldInfo& field, int& code, long& size) {
  if (field.m_nType == dbLong && (field.m_lAttributes & dbAutoIncrField) != 0) {
    code = UDT_AUTONUMBER;
    size = 4;
    return true;
  }
  for (const CUDTType& type : kTypes) {
    if (type.daoType == field.m_nType && type.code != UDT_AUTONUMBER) {
      code = type.code;
      size = type.size < 0 ? field.m_lSize : type.size;
      return true;
    }
  }
  return false;
}

bool IsUsableName(const char* name) {
  return name != nullptr && engine::IsValidName(name) && !engine::HasReservedPrefix(name);
}

// Checks the whole field list before anything is created: 0, 22, 23 or 24.
int CheckFields(const CUDTFieldInfoArray& fields) {
  if (fields.GetSize() == 0) return LZLE_BAD_FIELD;
  for (int i = 0; i < fields.GetSize(); ++i) {
    const CUDTFieldInfo* field = fields[i];
    if (field == nullptr) return LZLE_BAD_FIELD;
    if (!IsUsableName(field->m_strName)) return LZLE_BAD_NAME;
    for (int earlier = 0; earlier < i; ++earlier) {
      // The engine compares names without regard to case, so two names
      // that differ only in case are the same field.
      if (engine::NamesEqual(static_cast<const char*>(fields[earlier]->m_strName),
                             static_cast<const char*>(field->m_strName))) {
        return LZLE_DUPLICATE_FIELD;
      }
    }
    if (field->m_nType == UDT_TEXT && (field->m_lSize < 0 || field->m_lSize > 255)) {
      return LZLE_BAD_FIELD;
    }
  }
  return LZLE_OK;
}

void ReadFieldDescriptions(ZLUserTableRecord& table) {
  table.fields = new std::vector<CDaoFieldInfo>;
  const short count = table.tableDef->GetFieldCount();
  table.fields->resize(static_cast<size_t>(count));
  for (short i = 0; i < count; ++i) {
    table.tableDef->GetFieldInfo(i, (*table.fields)[static_cast<size_t>(i)], AFX_DAO_ALL_INFO);
  }
}

void OpenTableObjects(ZLUserTableRecord& table, ZLLegacyRecord& database, const char* name) {
  table.recordset = new CZLRecordset(database.database);
  table.recordset->Open(table.tableDef, dbOpenTable, 0);
  std::strncpy(table.name, name, sizeof table.name - 1);
  ReadFieldDescriptions(table);
}

// Makes a table handle for a database handle: body(table, database) builds
// its objects inside one transaction on the file.  On any failure the
// transaction is rolled back (a new table disappears with it), the objects
// are released and the handle freed.
template <typename Body>
void* MakeUserTable(void* hDB, Body&& body) {
  std::lock_guard<std::recursive_mutex> oneCallAtATime(OperationMutex());
  int code = LZLE_BAD_HANDLE;
  HANDLE handle = nullptr;
  try {
    CLegacyLock database(hDB);
    if (database.IsValid()) {
      handle = NewUserTableHandle();
      if (handle == nullptr) {
        code = LZLE_OUT_OF_MEMORY;
      } else {
        CUserTableLock table(handle);
        try {
          table.Record().database = hDB;
          CLegacyTransaction transaction(*database.Record().database, ELegacyAccess::kWrite);
          code = body(table.Record(), database.Record());
          transaction.End(code == LZLE_OK);
        } catch (...) {
          code = LegacyCodeForCurrentException();
        }
      }
    }
  } catch (...) {
    code = LegacyCodeForCurrentException();
  }
  if (code != LZLE_OK && handle != nullptr) {
    FreeUserTableHandle(handle);
    handle = nullptr;
  }
  SetLegacyLastError(code);
  return handle;
}

int CreateTable(ZLUserTableRecord& table, ZLLegacyRecord& database, const char* name,
                const CUDTFieldInfoArray& fields) {
  if (!IsUsableName(name)) return LZLE_BAD_NAME;
  const int code = CheckFields(fields);
  if (code != LZLE_OK) return code;
  table.tableDef = new CZLTableDef(database.database);
  table.tableDef->Create(name);
  for (int i = 0; i < fields.GetSize(); ++i) {
    const CUDTFieldInfo& field = *fields[i];
    const CUDTType& type = CreatedType(field.m_nType);
    const long size = type.size < 0 ? field.m_lSize : type.size;
    table.tableDef->CreateFieldEx(field.m_strName, type.daoType, size, type.attributes,
                                  type.allowZeroLength ? TRUE : FALSE);
  }
  table.tableDef->Append();
  OpenTableObjects(table, database, name);
  return LZLE_OK;
}

int OpenTable(ZLUserTableRecord& table, ZLLegacyRecord& database, const char* name) {
  if (!IsUsableName(name)) return LZLE_BAD_NAME;
  table.tableDef = new CZLTableDef(database.database);
  table.tableDef->Open(name);
  OpenTableObjects(table, database, name);
  return LZLE_OK;
}

const CDaoFieldInfo* FindField(const ZLUserTableRecord& table, const char* name) {
  for (const CDaoFieldInfo& field : *table.fields) {
    if (std::strcmp(field.m_strName, name != nullptr ? name : "") == 0) return &field;
  }
  return nullptr;
}

void Describe(const CDaoFieldInfo& field, CUDTFieldInfo& info) {
  int code = 0;
  long size = 0;
  if (ReportedType(field, code, size)) {
    info.m_nType = code;
    info.m_lSize = size;
  }
}

void WriteValue(CZLRecordset& rs, const COleVariant& bookmark, const char* field,
                const COleVariant& value) {
  rs.SetBookmark(bookmark);
  CLegacyRowWrite write(rs, CLegacyRowWrite::kEdit);
  write.Set(field, value);
  write.Update();
}

template <typename Body>
int RunRead(void* hTable, Body&& body) {
  return RunUserTable(ELegacyAccess::kRead, hTable, std::forward<Body>(body));
}
template <typename Body>
int RunWrite(void* hTable, Body&& body) {
  return RunUserTable(ELegacyAccess::kWrite, hTable, std::forward<Body>(body));
}

}  // namespace
}  // namespace zl::legacy

using namespace zl::legacy;

CUDTFieldInfo::CUDTFieldInfo() : m_nType(UDT_TEXT), m_lSize(0) {}

CUDTFieldInfo::CUDTFieldInfo(const char* lpszName, int nType, long lSize)
    : m_strName(lpszName), m_nType(nType), m_lSize(lSize) {}

void* CreateUserDefinedTable(void* hDB, const char* lpszTableName,
                             const CUDTFieldInfoArray& fields) {
  return MakeUserTable(hDB, [&](ZLUserTableRecord& table, ZLLegacyRecord& database) {
    return CreateTable(table, database, lpszTableName, fields);
  });
}

void* OpenUserDefinedTable(void* hDB, const char* lpszTableName) {
  return MakeUserTable(hDB, [&](ZLUserTableRecord& table, ZLLegacyRecord& database) {
    return OpenTable(table, database, lpszTableName);
  });
}

int CloseUserDefinedTable(void* hTable) {
  std::lock_guard<std::recursive_mutex> oneCallAtATime(zl::OperationMutex());
  const int code = FreeUserTableHandle(hTable);
  SetLegacyLastError(code);
  return code == LZLE_OK ? 1 : 0;
}

int UDTGetAllBookmarks(void* hTable, CObList& list) {
  return RunRead(hTable, [&](ZLUserTableRecord& table, ZLLegacyRecord&) {
    AppendAllBookmarks(*table.recordset, list);
    return static_cast<int>(LZLE_OK);
  });
}

int UDTGetFieldInfo(void* hTable, CUDTFieldInfo& info) {
  return RunRead(hTable, [&](ZLUserTableRecord& table, ZLLegacyRecord&) {
    if (const CDaoFieldInfo* field = FindField(table, info.m_strName)) Describe(*field, info);
    return static_cast<int>(LZLE_OK);
  });
}

int UDTGetFieldInfos(void* hTable, CUDTFieldInfoArray& infos) {
  return RunRead(hTable, [&](ZLUserTableRecord& table, ZLLegacyRecord&) {
    for (const CDaoFieldInfo& field : *table.fields) {
      auto* info = new CUDTFieldInfo(field.m_strName, UDT_TEXT, 0);
      infos.Add(info);
      Describe(field, *info);
    }
    return static_cast<int>(LZLE_OK);
  });
}

int UDTGetFieldValueByBookmark(void* hTable, COleVariant bookmark, const char* lpszField,
                               COleVariant& value) {
  return RunRead(hTable, [&](ZLUserTableRecord& table, ZLLegacyRecord&) {
    table.recordset->SetBookmark(bookmark);
    value = table.recordset->GetFieldValue(lpszField != nullptr ? lpszField : "");
    return static_cast<int>(LZLE_OK);
  });
}

int UDTGetFieldValueByBookmark(void* hTable, COleVariant bookmark, CUDTFieldInfo& info) {
  return RunRead(hTable, [&](ZLUserTableRecord& table, ZLLegacyRecord&) {
    const CDaoFieldInfo* field = FindField(table, info.m_strName);
    if (field == nullptr) return static_cast<int>(LZLE_OK);
    table.recordset->SetBookmark(bookmark);
    info.m_varValue = table.recordset->GetFieldValue(field->m_strName);
    Describe(*field, info);
    return static_cast<int>(LZLE_OK);
  });
}

int UDTSetFieldValueByBookmark(void* hTable, COleVariant bookmark, const char* lpszField,
                               const COleVariant& value) {
  return RunWrite(hTable, [&](ZLUserTableRecord& table, ZLLegacyRecord&) {
    WriteValue(*table.recordset, bookmark, lpszField != nullptr ? lpszField : "", value);
    return static_cast<int>(LZLE_OK);
  });
}

int UDTSetFieldValueByBookmark(void* hTable, COleVariant bookmark, const CUDTFieldInfo& info) {
  return RunWrite(hTable, [&](ZLUserTableRecord& table, ZLLegacyRecord&) {
    const CDaoFieldInfo* field = FindField(table, info.m_strName);
    if (field != nullptr) WriteValue(*table.recordset, bookmark, field->m_strName, info.m_varValue);
    return static_cast<int>(LZLE_OK);
  });
}

int UDTGetFieldValues(void* hTable, COleVariant bookmark, CUDTFieldInfoArray& infos) {
  const int result = RunRead(hTable, [&](ZLUserTableRecord& table, ZLLegacyRecord&) {
    table.recordset->SetBookmark(bookmark);
    for (const CDaoFieldInfo& field : *table.fields) {
      auto* info = new CUDTFieldInfo(field.m_strName, UDT_TEXT, 0);
      infos.Add(info);
      Describe(field, *info);
      info->m_varValue = table.recordset->GetFieldValue(field.m_strName);
    }
    return static_cast<int>(LZLE_OK);
  });
  if (result == 0) {
    for (int i = 0; i < infos.GetSize(); ++i) delete infos[i];
    infos.RemoveAll();
  }
  return result;
}

int UDTCreateNewRecord(void* hTable, COleVariant& bookmark, const CUDTFieldInfoArray* pValues) {
  // The row and its values are one transaction: a value that cannot be
  // written takes the new row with it.
  return RunWrite(hTable, [&](ZLUserTableRecord& table, ZLLegacyRecord&) {
    CZLRecordset& rs = *table.recordset;
    {
      CLegacyRowWrite add(rs, CLegacyRowWrite::kAddNew);
      add.Update();
    }
    const COleVariant added = rs.GetLastModifiedBookmark();
    for (int i = 0; pValues != nullptr && i < pValues->GetSize(); ++i) {
      const CUDTFieldInfo* value = (*pValues)[i];
      if (value != nullptr) WriteValue(rs, added, value->m_strName, value->m_varValue);
    }
    bookmark = added;
    return static_cast<int>(LZLE_OK);
  });
}

int UDTDeleteRecordByBookmark(void* hTable, COleVariant bookmark) {
  return RunWrite(hTable, [&](ZLUserTableRecord& table, ZLLegacyRecord&) {
    table.recordset->SetBookmark(bookmark);
    table.recordset->Delete();
    return static_cast<int>(LZLE_OK);
  });
}
