#include "schema/language_tables.h"

#include "engine/close_quietly.h"
#include "engine/dao_database.h"
#include "engine/dao_errors.h"
#include "schema/fixed_tables.h"

namespace zl {
namespace {

bool IsTableExists(const CDaoException& e) { return e.m_scode == DaoScode(kDaoTableExists); }

void OpenRecordset(CLanguageTable& table, CDaoDatabase& database,
                   const ZLLanguageTableLayout& layout) {
  table.recordset = std::make_unique<CZLRecordset>(&database);
  table.recordset->Open(table.tableDef.get(), dbOpenTable, 0);
  table.recordset->SetCurrentIndex(layout.currentIndex);
}

}  // namespace

CLanguageTable::~CLanguageTable() {
  CloseQuietly(recordset.get());
  CloseQuietly(tableDef.get());
}

CLanguageTable CreateLanguageTable(CDaoDatabase& database, const ZLLanguageTableLayout& layout,
                                   const char* baseName) {
  CLanguageTable table;
  table.tableDef = std::make_unique<CZLTableDef>(&database);
  DefineTable(*table.tableDef, baseName, layout.fields, layout.fieldCount, layout.indexes,
              layout.indexCount);
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
    OpenRecordset(table, database, layout);
  } catch (...) {
    // The table exists but cannot be used: take it away again so that the
    // database holds no table without its registry row.
    const CString name = table.tableDef->GetName();
    table.recordset.reset();
    CloseQuietly(table.tableDef.get());
    try {
      database.DeleteTableDef(name);
    } catch (...) {
    }
    throw;
  }
  return table;
}

CLanguageTable OpenLanguageTable(CDaoDatabase& database, const ZLLanguageTableLayout& layout,
                                 const char* name) {
  CLanguageTable table;
  table.tableDef = std::make_unique<CZLTableDef>(&database);
  table.tableDef->Open(name);
  OpenRecordset(table, database, layout);
  return table;
}

void DropLanguageTable(CDaoDatabase& database, CZLTableDef* tableDef, CZLRecordset* recordset) {
  const CString name = tableDef->GetName();
  CloseQuietly(recordset);
  CloseQuietly(tableDef);
  database.DeleteTableDef(name);
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
