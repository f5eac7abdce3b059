#include "schema/language_tables.h"

#include "engine/dao_database.h"
#include "engine/dao_errors.h"

namespace zl {
namespace {

bool IsTableExists(const CDaoException& e) { return e.m_scode == DaoScode(kDaoTableExists); }

void DefineTable(CZLTableDef& tableDef, const ZLLanguageTableLayout& layout, const char* name) {
  tableDef.Create(name);
  for (size_t i = 0; i < layout.fieldCount; ++i) {
    const ZLFieldLayout& field = layout.fields[i];
    tableDef.CreateFieldEx(field.name, field.type, field.size, field.attributes, TRUE);
  }
  for (size_t i = 0; i < layout.indexCount; ++i) {
    const ZLIndexLayout& index = layout.indexes[i];
    CDaoIndexFieldInfo fields[3];
    for (int f = 0; f < index.FieldCount(); ++f) fields[f].m_strName = index.fields[f];
    CDaoIndexInfo info;
    info.m_strName = index.name;
    info.m_pFieldInfos = fields;
    info.m_nFields = static_cast<short>(index.FieldCount());
    info.m_bUnique = index.unique ? TRUE : FALSE;
    tableDef.CreateIndex(info);
    info.m_pFieldInfos = nullptr;
  }
}

void OpenRecordset(CLanguageTable& table, ZLHandleRecord& record,
                   const ZLLanguageTableLayout& layout) {
  table.recordset = std::make_unique<CZLRecordset>(record.database);
  table.recordset->Open(table.tableDef.get(), dbOpenTable, 0);
  table.recordset->SetCurrentIndex(layout.currentIndex);
}

template <class T>
void CloseQuietly(T* object) {
  if (object == nullptr) return;
  try {
    object->Close();
  } catch (...) {
  }
}

}  // namespace

CLanguageTable::~CLanguageTable() {
  CloseQuietly(recordset.get());
  CloseQuietly(tableDef.get());
}

CLanguageTable CreateLanguageTable(ZLHandleRecord& record, const ZLLanguageTableLayout& layout,
                                   const char* baseName) {
  CLanguageTable table;
  table.tableDef = std::make_unique<CZLTableDef>(record.database);
  DefineTable(*table.tableDef, layout, baseName);
  for (int counter = 1;; ++counter) {
    try {
      table.tableDef->Append();
      break;
    } catch (const CDaoException& e) {
      if (!IsTableExists(e)) throw;
      CString suffixed;
      suffixed.Format("%s_%d", baseName, counter);
      table.tableDef->SetName(suffixed);
    }
  }
  try {
    OpenRecordset(table, record, layout);
  } catch (...) {
    // The table exists but cannot be used: take it away again so that the
    // database holds no table without its registry row.
    const CString name = table.tableDef->GetName();
    table.recordset.reset();
    CloseQuietly(table.tableDef.get());
    try {
      record.database->DeleteTableDef(name);
    } catch (...) {
    }
    throw;
  }
  return table;
}

CLanguageTable OpenLanguageTable(ZLHandleRecord& record, const ZLLanguageTableLayout& layout,
                                 const char* name) {
  CLanguageTable table;
  table.tableDef = std::make_unique<CZLTableDef>(record.database);
  table.tableDef->Open(name);
  OpenRecordset(table, record, layout);
  return table;
}

void DropLanguageTable(ZLHandleRecord& record, CZLTableDef* tableDef, CZLRecordset* recordset) {
  const CString name = tableDef->GetName();
  CloseQuietly(recordset);
  CloseQuietly(tableDef);
  record.database->DeleteTableDef(name);
}

CString FormatResourceTableName(const ZLLanguageTableLayout& layout, WORD language) {
  CString name;
  name.Format(layout.nameFormat, static_cast<unsigned int>(language));
  return name;
}

CString FormatSimulatorTableName(const ZLLanguageTableLayout& layout, const char* language) {
  CString name;
  name.Format(layout.nameFormat, language);
  return name;
}

}  // namespace zl
