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

void BuildFixedTable(ZLHandleRecord& record, ZLFixedTable table) {
  const ZLTableLayout& layout = FixedTableLayout(table);
  record.tableDefs[table] = new CZLTableDef(record.database);
  CZLTableDef& tableDef = *record.tableDefs[table];
  tableDef.Create(layout.name);
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
    info.m_pFieldInfos = nullptr;  // the array is ours, not the info's
  }
  tableDef.Append();
  OpenRecordset(record, table);
}

void OpenFixedTable(ZLHandleRecord& record, ZLFixedTable table) {
  record.tableDefs[table] = new CZLTableDef(record.database);
  record.tableDefs[table]->Open(FixedTableLayout(table).name);
  OpenRecordset(record, table);
}

}  // namespace zl
