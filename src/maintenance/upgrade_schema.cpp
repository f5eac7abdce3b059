#include "maintenance/upgrade_schema.h"

#include <cstring>
#include <string>
#include <vector>

#include "engine/dao_database.h"
#include "engine/dao_errors.h"
#include "schema/fixed_tables.h"
#include "schema/zl_tabledef.h"

namespace zl {
namespace {

bool IsNotFound(const CDaoException& e) {
  return e.m_scode == DaoScode(kDaoItemNotFound) || e.m_scode == DaoScode(kDaoObjectNotFound);
}

template <class Item>
const Item& ByName(const Item* items, size_t count, const char* name) {
  for (size_t i = 0; i < count; ++i) {
    if (std::strcmp(items[i].name, name) == 0) return items[i];
  }
  engine::ThrowDaoError(kDaoItemNotFound, name);
}

bool HasAllowZeroLength(short type) { return type == dbText || type == dbMemo; }

// One index as read from a table, kept while its fields are rebuilt.
struct CSavedIndex {
  std::string name;
  std::vector<std::string> fields;
  bool unique;
};

void CreateIndexFrom(CZLTableDef& tableDef, const CSavedIndex& index) {
  CDaoIndexFieldInfo fields[3];
  for (size_t f = 0; f < index.fields.size() && f < 3; ++f) fields[f].m_strName = index.fields[f];
  CDaoIndexInfo info;
  info.m_strName = index.name.c_str();
  info.m_pFieldInfos = fields;
  info.m_nFields = static_cast<short>(index.fields.size());
  info.m_bUnique = index.unique ? TRUE : FALSE;
  tableDef.CreateIndex(info);
  info.m_pFieldInfos = nullptr;  // the array is ours
}

CSavedIndex FromLayout(const ZLIndexLayout& index) {
  CSavedIndex saved{index.name, {}, index.unique};
  for (int f = 0; f < index.FieldCount(); ++f) saved.fields.emplace_back(index.fields[f]);
  return saved;
}

// Deletes every index of the table that covers field and returns them.
std::vector<CSavedIndex> TakeIndexesOn(CZLTableDef& tableDef, const char* field) {
  std::vector<CSavedIndex> taken;
  for (int i = 0; i < tableDef.GetIndexCount(); ++i) {
    CDaoIndexInfo info;
    tableDef.GetIndexInfo(i, info);
    CSavedIndex saved{info.m_strName.GetString(), {}, info.m_bUnique != FALSE};
    bool covers = false;
    for (int f = 0; f < info.m_nFields; ++f) {
      saved.fields.emplace_back(info.m_pFieldInfos[f].m_strName.GetString());
      covers = covers || info.m_pFieldInfos[f].m_strName.CompareNoCase(field) == 0;
    }
    if (covers) taken.push_back(saved);
  }
  for (const CSavedIndex& index : taken) tableDef.DeleteIndex(index.name.c_str());
  return taken;
}

void CopyValues(CDaoDatabase& database, const char* table, const char* to, const char* from) {
  CString sql;
  sql.Format("UPDATE [%s] SET [%s]=[%s]", table, to, from);
  database.Execute(sql, dbFailOnError);
}

}  // namespace

const ZLFieldLayout& LayoutField(const ZLFieldLayout* fields, size_t count, const char* name) {
  return ByName(fields, count, name);
}

const ZLFieldLayout& FixedField(ZLFixedTable table, const char* name) {
  const ZLTableLayout& layout = FixedTableLayout(table);
  return ByName(layout.fields, layout.fieldCount, name);
}

const ZLIndexLayout& FixedIndex(ZLFixedTable table, const char* name) {
  const ZLTableLayout& layout = FixedTableLayout(table);
  return ByName(layout.indexes, layout.indexCount, name);
}

const ZLIndexLayout& LanguageIndex(const ZLLanguageTableLayout& layout, const char* name) {
  return ByName(layout.indexes, layout.indexCount, name);
}

bool TableExists(CDaoDatabase& database, const char* table) {
  CDaoTableDefInfo info;
  try {
    database.GetTableDefInfo(table, info);
    return true;
  } catch (const CDaoException& e) {
    if (IsNotFound(e)) return false;
    throw;
  }
}

bool FieldExists(CDaoDatabase& database, const char* table, const char* field) {
  CZLTableDef tableDef(&database);
  tableDef.Open(table);
  CDaoFieldInfo info;
  try {
    tableDef.GetFieldInfo(field, info);
    return true;
  } catch (const CDaoException& e) {
    if (IsNotFound(e)) return false;
    throw;
  }
}

void AddField(CDaoDatabase& database, const char* table, const ZLFieldLayout& field) {
  if (FieldExists(database, table, field.name)) return;
  CZLTableDef tableDef(&database);
  tableDef.Open(table);
  tableDef.CreateFieldEx(field.name, field.type, field.size, field.attributes, TRUE);
}

void AddFields(CDaoDatabase& database, const char* table,
               std::initializer_list<ZLFieldLayout> fields) {
  for (const ZLFieldLayout& field : fields) AddField(database, table, field);
}

void RetypeField(CDaoDatabase& database, const char* table, const ZLFieldLayout& target,
                 short tempType, long tempSize,
                 std::initializer_list<const ZLIndexLayout*> recreate) {
  CZLTableDef tableDef(&database);
  tableDef.Open(table);
  CDaoFieldInfo current;
  tableDef.GetFieldInfo(target.name, current);
  const bool zeroLength = HasAllowZeroLength(target.type);
  const bool sizeMatters = target.type == dbText;
  if (current.m_nType == target.type && (!sizeMatters || current.m_lSize == target.size) &&
      (current.m_bAllowZeroLength != FALSE) == zeroLength &&
      current.m_lAttributes == target.attributes) {
    return;
  }
  static const char kTemp[] = "temp";
  tableDef.CreateFieldEx(kTemp, tempType, tempSize, dbUpdatableField, TRUE);
  CopyValues(database, table, kTemp, target.name);
  std::vector<CSavedIndex> indexes = TakeIndexesOn(tableDef, target.name);
  tableDef.DeleteField(target.name);
  tableDef.CreateFieldEx(target.name, target.type, target.size, target.attributes, TRUE);
  CopyValues(database, table, target.name, kTemp);
  tableDef.DeleteField(kTemp);
  for (const CSavedIndex& index : indexes) {
    CSavedIndex wanted = index;
    for (const ZLIndexLayout* layout : recreate) {
      if (index.name == layout->name) wanted = FromLayout(*layout);
    }
    CreateIndexFrom(tableDef, wanted);
  }
}

void RecreateIndex(CDaoDatabase& database, const char* table, const ZLIndexLayout& index) {
  CZLTableDef tableDef(&database);
  tableDef.Open(table);
  try {
    tableDef.DeleteIndex(index.name);
  } catch (const CDaoException& e) {
    if (e.m_scode != DaoScode(kDaoNotAnIndex)) throw;
  }
  CreateIndexFrom(tableDef, FromLayout(index));
}

void CreateFixedTable(CDaoDatabase& database, ZLFixedTable table,
                      std::initializer_list<const char*> omit) {
  const ZLTableLayout& layout = FixedTableLayout(table);
  if (TableExists(database, layout.name)) return;
  std::vector<ZLFieldLayout> fields;
  for (size_t i = 0; i < layout.fieldCount; ++i) {
    bool omitted = false;
    for (const char* name : omit)
      omitted = omitted || std::strcmp(name, layout.fields[i].name) == 0;
    if (!omitted) fields.push_back(layout.fields[i]);
  }
  CZLTableDef tableDef(&database);
  DefineTable(tableDef, layout.name, fields.data(), fields.size(), layout.indexes,
              layout.indexCount);
  tableDef.Append();
}

}  // namespace zl
