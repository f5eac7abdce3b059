#include "schema/fixed_tables.h"

#include "engine/dao_database.h"
#include "schema/zl_recordset.h"
#include "schema/zl_tabledef.h"

namespace zl {
namespace {

void OpenRecordset(CDaoDatabase& database, ZLFixedTable table, CZLTableDef* tableDef,
                   CZLRecordset*& recordset) {
  const ZLTableLayout& layout = FixedTableLayout(table);
  recordset = new CZLRecordset(&database);
  recordset->Open(tableDef, dbOpenTable, 0);
  if (layout.currentIndex != nullptr) recordset->SetCurrentIndex(layout.currentIndex);
}

}  // namespace

void DefineTable(CZLTableDef& tableDef, const char* name, const ZLFieldLayout* fields,
                 size_t fieldCount, const ZLIndexLayout* indexes, size_t indexCount) {
  tableDef.Create(name);
  for (size_t i = 0; i < fieldCount; ++i) {
    tableDef.CreateFieldEx(fields[i].name, fields[i].type, fields[i].size, fields[i].attributes,
                           TRUE);
  }
  DefineIndexes(tableDef, indexes, indexCount);
}

void DefineIndexes(CZLTableDef& tableDef, const ZLIndexLayout* indexes, size_t indexCount) {
  for (size_t i = 0; i < indexCount; ++i) {
    const ZLIndexLayout& index = indexes[i];
    CDaoIndexFieldInfo indexFields[3];
    for (int f = 0; f < index.FieldCount(); ++f) indexFields[f].m_strName = index.fields[f];
    CDaoIndexInfo info;
    info.m_strName = index.name;
    info.m_pFieldInfos = indexFields;
    info.m_nFields = static_cast<short>(index.FieldCount());
    info.m_bUnique = index.unique ? TRUE : FALSE;
    tableDef.CreateIndex(info);
    info.m_pFieldInfos = nullptr;  // the array is ours, not the info's
  }
}

void BuildFixedTable(CDaoDatabase& database, ZLFixedTable table, CZLTableDef*& tableDef,
                     CZLRecordset*& recordset) {
  const ZLTableLayout& layout = FixedTableLayout(table);
  tableDef = new CZLTableDef(&database);
  DefineTable(*tableDef, layout.name, layout.fields, layout.fieldCount, layout.indexes,
              layout.indexCount);
  tableDef->Append();
  OpenRecordset(database, table, tableDef, recordset);
}

void OpenFixedTable(CDaoDatabase& database, ZLFixedTable table, CZLTableDef*& tableDef,
                    CZLRecordset*& recordset) {
  tableDef = new CZLTableDef(&database);
  tableDef->Open(FixedTableLayout(table).name);
  OpenRecordset(database, table, tableDef, recordset);
}

}  // namespace zl
