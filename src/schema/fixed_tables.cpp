#include "schema/fixed_tables.h"

#include "engine/dao_database.h"
#include "schema/zl_recordset.h"
#include "schema/zl_tabledef.h"

namespace zl {
namespace {

void OpenRecordset(ZLHandleRecord& record, ZLFixedTable table) {
  const ZLTableLayout& layout = FixedTableLayout(table);
  record.recordsets[table] = new CZLRecordset(record.database);
  record.recordsets[table]->Open(record.tableDefs[table], dbOpenTable, 0);
  if (layout.currentIndex != nullptr) {
    record.recordsets[table]->SetCurrentIndex(layout.currentIndex);
  }
}

}  // namespace

void DefineTable(CZLTableDef& tableDef, const char* name, const ZLFieldLayout* fields,
                 size_t fieldCount, const ZLIndexLayout* indexes, size_t indexCount) {
  tableDef.Create(name);
  for (size_t i = 0; i < fieldCount; ++i) {
    tableDef.CreateFieldEx(fields[i].name, fields[i].type, fields[i].size, fields[i].attributes,
                           TRUE);
  }
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

void BuildFixedTable(ZLHandleRecord& record, ZLFixedTable table) {
  const ZLTableLayout& layout = FixedTableLayout(table);
  record.tableDefs[table] = new CZLTableDef(record.database);
  CZLTableDef& tableDef = *record.tableDefs[table];
  DefineTable(tableDef, layout.name, layout.fields, layout.fieldCount, layout.indexes,
              layout.indexCount);
  tableDef.Append();
  OpenRecordset(record, table);
}

void OpenFixedTable(ZLHandleRecord& record, ZLFixedTable table) {
  record.tableDefs[table] = new CZLTableDef(record.database);
  record.tableDefs[table]->Open(FixedTableLayout(table).name);
  OpenRecordset(record, table);
}

}  // namespace zl
