#include "maintenance/old_layouts.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <sstream>

#include "engine/dao_database.h"
#include "engine/dao_errors.h"
#include "schema/layout.h"
#include "schema/zl_recordset.h"
#include "schema/zl_tabledef.h"

namespace zltest {
namespace {

using namespace zl;

// What the older layouts lacked or had otherwise; tables are named as in
// the layout description (patterns for per-language tables).
struct CAdded {
  const char* table;
  const char* name;  // a field or an index
  int since;
};
const CAdded kAddedFields[] = {
    {"MAIN", "WIZTYPE", 1},
    {"MAIN", "UDTNAME", 1},
    {"MAIN", "CREATED_USER", 15},
    {"MAIN", "CREATED_DATE", 15},
    {"MAIN", "WIZARDDATA", 18},
    {"NODE_NC", "UNIT", 2},
    {"NODE_NC", "UNIT_TO_RESID", 2},
    {"NODE_NC", "DEFVALUE_TO_RESID", 9},
    {"NODE_NC", "QUANTITY", 15},
    {"NODE_NC", "QUANTITY_TO_RESID", 15},
    {"NODE_NC", "PREFERUNIT_TO_RESID", 15},
    {"FILES", "LANGID", 5},
    {"DBINFO", "LASTVHDLPACKAGECHANGE", 7},
    {"DBINFO", "STATE", 10},
    {"DBINFO", "USER_VERSION", 10},
    {"DBINFO", "INFO", 10},
    {"DBINFO", "LOGIN", 18},
    {"PACKAGE", "CREATED_USER", 15},
    {"PACKAGE", "CREATED_DATE", 15},
    {"TOLERANCE", "TOLERANCE", 19},
    {"TOLERANCE", "CHARACTERISTIC", 21},
    {"TOLERANCE_VALUE", "TOLERANCE", 19},
    {"TOLERANCE_VALUE", "CHARACTERISTIC", 21},
    {"MACRO_%s", "FLEXOPTION", 3},
    {"MACRO_%s", "DESCRIPTION", 7},
    {"MACRO_%s", "DEFNAME", 7},
    {"MACRO_%s", "COMPILED", 7},
    {"MACRO_%s", "DEFAULT", 7},
    {"ACCESS_%s", "DEF_VALUE", 9},
    {"KEYWORDID_%08x", "PARAM_ID", 15},
};
const CAdded kAddedIndexes[] = {{"MAIN", "DEFNAME_INDEX", 12}};

// Fields with another type, size or zero-length rule before `until`.
struct COldType {
  const char* table;
  const char* field;
  int until;
  ZLFieldLayout old;
  bool zeroLength;
};
const COldType kOldTypes[] = {
    {"MAIN", "WIZTYPE", 17, {"WIZTYPE", dbByte, 1, dbUpdatableField}, false},
    {"MAIN", "AUTHOR", 10, {"AUTHOR", dbText, 50, dbVariableField | dbUpdatableField}, true},
    {"KEYWORD_%08x",
     "KEYWORD",
     4,
     {"KEYWORD", dbText, 50, dbVariableField | dbUpdatableField},
     true},
    {"KEYWORDID_%08x", "KEYWORD_ID", 15, {"KEYWORD_ID", dbInteger, 2, dbUpdatableField}, false},
    {"NODE_NC", "UNIT", 20, {"UNIT", dbText, 255, dbVariableField | dbUpdatableField}, false},
    {"NODE_NC",
     "QUANTITY",
     20,
     {"QUANTITY", dbText, 60, dbVariableField | dbUpdatableField},
     false},
};

// Indexes defined otherwise before version 15.
const ZLIndexLayout kOldKeywordIndex = {
    "KEYWORD_ID_INDEX", {"KEYWORD_ID", nullptr, nullptr}, false};
const ZLIndexLayout kOldLinkIndex = {"MODEL_ID_INDEX", {"MODEL_ID", nullptr, nullptr}, false};

bool Added(const CAdded* list, size_t count, const char* table, const char* name, int version) {
  for (size_t i = 0; i < count; ++i) {
    if (!std::strcmp(list[i].table, table) && !std::strcmp(list[i].name, name))
      return version < list[i].since;
  }
  return false;
}

// Creates a table of a layout as it stood at version under name.
void CreateOld(CDaoDatabase& db, const char* pattern, const char* name, const ZLFieldLayout* fields,
               size_t fieldCount, const ZLIndexLayout* indexes, size_t indexCount, int version) {
  CZLTableDef def(&db);
  def.Create(name);
  for (size_t i = 0; i < fieldCount; ++i) {
    if (Added(kAddedFields, std::size(kAddedFields), pattern, fields[i].name, version)) continue;
    ZLFieldLayout field = fields[i];
    bool zeroLength = true;
    for (const COldType& old : kOldTypes) {
      if (!std::strcmp(old.table, pattern) && !std::strcmp(old.field, field.name) &&
          version < old.until) {
        field = old.old;
        zeroLength = old.zeroLength;
      }
    }
    def.CreateFieldEx(field.name, field.type, field.size, field.attributes, zeroLength);
  }
  for (size_t i = 0; i < indexCount; ++i) {
    ZLIndexLayout index = indexes[i];
    if (Added(kAddedIndexes, std::size(kAddedIndexes), pattern, index.name, version)) continue;
    if (version < 15 && !std::strcmp(pattern, "KEYWORD_%08x") && index.unique) {
      index = kOldKeywordIndex;
    }
    if (version < 15 && !std::strcmp(pattern, "KEYWORDID_%08x") &&
        !std::strcmp(index.name, "MODEL_ID_INDEX")) {
      index = kOldLinkIndex;
    }
    CDaoIndexFieldInfo infos[3];
    for (int f = 0; f < index.FieldCount(); ++f) infos[f].m_strName = index.fields[f];
    CDaoIndexInfo info;
    info.m_strName = index.name;
    info.m_pFieldInfos = infos;
    info.m_nFields = static_cast<short>(index.FieldCount());
    info.m_bUnique = index.unique;
    def.CreateIndex(info);
    info.m_pFieldInfos = nullptr;
  }
  def.Append();
}

using CRow = std::map<std::string, COleVariant>;

// Adds a row, leaving out the fields the table does not have.
void AddRow(CDaoDatabase& db, const char* table, const CRow& row) {
  CZLTableDef def(&db);
  def.Open(table);
  CZLRecordset rs(&db);
  rs.Open(&def, dbOpenTable, 0);
  rs.AddNew();
  for (const auto& [field, value] : row) {
    CDaoFieldInfo info;
    try {
      def.GetFieldInfo(field.c_str(), info);
    } catch (const CDaoException&) {
      continue;
    }
    rs.SetFieldValue(field.c_str(), value);
  }
  rs.Update();
  rs.Close();
}

COleVariant Null() {
  COleVariant value;
  value.SetNull();
  return value;
}

COleVariant Bytes(const char* text) {
  COleVariant value;
  value.SetByteArray(text, std::strlen(text) + 1);
  return value;
}

COleVariant Bool(bool on) { return COleVariant(static_cast<int16_t>(on ? -1 : 0), VT_BOOL); }

int StructureOf(int version) {
  const int bounds[] = {7, 8, 10, 15, 18};
  int structure = 0;
  for (int bound : bounds) structure += version >= bound ? 1 : 0;
  return structure;
}

void WriteRows(CDaoDatabase& db, int v, int extraModels) {
  const COleVariant author("jens");
  AddRow(db, "MAIN", {{"TYPE", 1L}, {"DEFNAME", ""}, {"FIRSTCHILD", 2L}, {"AUTHOR", author}});
  AddRow(db, "MAIN", {{"TYPE", 1L}, {"PARENT", 1L}, {"FIRSTCHILD", 4L}, {"NEXT", 3L}});
  AddRow(db, "MAIN", {{"TYPE", 1L}, {"PARENT", 1L}, {"PREV", 2L}, {"DEFNAME", "Amplifiers"}});
  for (const char* name : {"LM741", "TL072"}) {
    AddRow(db, "MAIN",
           {{"TYPE", 3L},
            {"PARENT", 2L},
            {"DEFNAME", name},
            {"AUTHOR", author},
            {"WIZTYPE", COleVariant(static_cast<BYTE>(7))}});
  }
  for (long type : {0x4L, 0x1L, 0x10L}) {
    AddRow(db, "NODE_NC", {{"MODEL_ID", 4L}, {"NAME", "P"}, {"TYPE", type}, {"UNIT", "V"}});
  }
  AddRow(db, "NODE_NC", {{"MODEL_ID", 5L}, {"NAME", "X"}, {"TYPE", 0x2L}});
  // Before version 5 the language of a file of type 10 was kept in ACCESS.
  AddRow(db, "FILES",
         {{"MODEL_ID", 4L},
          {"FILE_NAME", "lm741.pdf"},
          {"TYPE", BYTE{10}},
          {"ACCESS", v < 5 ? COleVariant(1031L) : Null()},
          {"LANGID", 1031L}});
  AddRow(db, "FILES",
         {{"MODEL_ID", 4L}, {"FILE_NAME", "lm741.lib"}, {"TYPE", BYTE{2}}, {"ACCESS", 5L}});
  AddRow(db, "KEYWORD_00000409", {{"KEYWORD", "opamp"}});
  AddRow(db, "KEYWORDID_00000409",
         {{"MODEL_ID", 4L}, {"KEYWORD_ID", int16_t{1}}, {"PARAM_ID", 0L}});
  const char* texts[] = {"* LM741\n.subckt LM741 1 2 3", "* LM741 fast", "* TL072"};
  const long owners[] = {4, 4, 5};
  for (int i = 0; i < 3; ++i) {
    AddRow(db, "MACRO_Spice",
           {{"MODEL_ID", owners[i]},
            {"MACROTEXT", Bytes(texts[i])},
            {"STATE", 0L},
            {"LEVEL", 1L},
            {"ENABLED", Bool(true)},
            {"DEFAULT", Bool(i == 2)}});
  }
  for (long id = 6; id < 6 + extraModels; ++id) {
    AddRow(db, "MAIN", {{"TYPE", 3L}, {"PARENT", 2L}, {"DEFNAME", "M"}});
    for (long type : {0x4L, 0x1L}) AddRow(db, "NODE_NC", {{"MODEL_ID", id}, {"TYPE", type}});
    AddRow(db, "MACRO_Spice", {{"MODEL_ID", id}, {"MACROTEXT", Bytes(texts[0])}, {"LEVEL", 1L}});
  }
  if (v < 7) {
    AddRow(db, "VHDL_PACKAGES",
           {{"VHDL_PACKAGE_NAME", "ieee_ext"},
            {"AUTHOR", author},
            {"STATE", 2L},
            {"PACKAGE_TEXT", Bytes("package ieee_ext is end;")},
            {"PACKAGE_BODY_TEXT", Bytes("package body ieee_ext is end;")}});
    AddRow(db, "VHDL_PACKAGES",
           {{"VHDL_PACKAGE_NAME", "mathx"},
            {"STATE", 0L},
            {"PACKAGE_TEXT", Bytes("package mathx is end;")}});
  }
}

}  // namespace

void WriteOldDatabase(const std::string& path, int v, int extraModels) {
  CDaoDatabase db;
  db.Create(path.c_str(), kCreateConnect, dbVersion30);
  CDaoWorkspace::GetDefault()->BeginTrans();
  for (int t = 0; t < ZLT_FIXED_TABLE_COUNT; ++t) {
    const ZLTableLayout& table = FixedTableLayout(static_cast<ZLFixedTable>(t));
    if (!FixedTableExists(table.id, v)) continue;
    CreateOld(db, table.name, table.name, table.fields, table.fieldCount, table.indexes,
              table.indexCount, v);
  }
  struct CLanguage {
    const ZLLanguageTableLayout& layout;
    const char* registry;
    const char* name;
    int since;
  };
  const CLanguage languages[] = {
      {ResourceTableLayout(0), "RESINFO", "STRINGTAB_00000409", 0},
      {ResourceTableLayout(1), "RESINFO", "KEYWORD_00000409", 0},
      {ResourceTableLayout(2), "RESINFO", "KEYWORDID_00000409", 0},
      {ResourceTableLayout(3), "RESINFO", "SYMBOLS_00000409", 0},
      {ResourceTableLayout(4), "RESINFO", "UNIT_00000409", 15},
      {SimulatorTableLayout(0), "SIMTABINFO", "CALL_Spice", 0},
      {SimulatorTableLayout(1), "SIMTABINFO", "MACRO_Spice", 0},
      {SimulatorTableLayout(2), "SIMTABINFO", "ACCESS_Spice", 0},
  };
  for (const CLanguage& l : languages) {
    if (v < l.since) continue;
    CreateOld(db, l.layout.nameFormat, l.name, l.layout.fields, l.layout.fieldCount,
              l.layout.indexes, l.layout.indexCount, v);
    const bool resource = !std::strcmp(l.registry, "RESINFO");
    AddRow(db, l.registry,
           {{resource ? "LANGID" : "SIM_ID", resource ? COleVariant(0x409L) : COleVariant("Spice")},
            {"TABNAME", l.name},
            {"TABTYPE", static_cast<BYTE>(l.layout.kind)},
            {"EXCLUSIVE", Bool(false)}});
  }
  if (v < 7) {
    const ZLFieldLayout fields[] = {
        {"VHDL_PACKAGE_NAME", dbText, 255, dbVariableField | dbUpdatableField},
        {"AUTHOR", dbText, 50, dbVariableField | dbUpdatableField},
        {"DATE", dbDate, 8, dbUpdatableField},
        {"PACKAGE_TEXT", dbLongBinary, 0, dbUpdatableField},
        {"PACKAGE_BODY_TEXT", dbLongBinary, 0, dbUpdatableField},
        {"STATE", dbLong, 4, dbUpdatableField}};
    CreateOld(db, "VHDL_PACKAGES", "VHDL_PACKAGES", fields, std::size(fields), nullptr, 0, v);
  }
  AddRow(db, "DBINFO",
         {{"VERSION", v == 0 ? Null() : COleVariant(PackVersion(v, StructureOf(v)))}});
  WriteRows(db, v, extraModels);
  CDaoWorkspace::GetDefault()->CommitTrans();
  db.Close();
}

std::string DescribeLayout(const std::string& path) {
  CDaoDatabase db;
  db.Open(path.c_str(), FALSE, TRUE, kDatabaseConnect);
  std::vector<std::string> tables;
  for (int t = 0; t < db.GetTableDefCount(); ++t) {
    CDaoTableDefInfo info;
    db.GetTableDefInfo(t, info);
    CZLTableDef def(&db);
    def.Open(info.m_strName);
    std::vector<std::string> items;
    for (int f = 0; f < def.GetFieldCount(); ++f) {
      CDaoFieldInfo field;
      def.GetFieldInfo(f, field, AFX_DAO_ALL_INFO);
      std::ostringstream out;
      out << "  field " << field.m_strName.GetString() << " type " << field.m_nType << " size "
          << field.m_lSize << " attributes " << field.m_lAttributes << " zero-length "
          << field.m_bAllowZeroLength << " required " << field.m_bRequired;
      items.push_back(out.str());
    }
    for (int i = 0; i < def.GetIndexCount(); ++i) {
      CDaoIndexInfo index;
      def.GetIndexInfo(i, index, AFX_DAO_ALL_INFO);
      std::ostringstream out;
      out << "  index " << index.m_strName.GetString() << " unique " << index.m_bUnique
          << " primary " << index.m_bPrimary << " on";
      for (int f = 0; f < index.m_nFields; ++f)
        out << ' ' << index.m_pFieldInfos[f].m_strName.GetString();
      items.push_back(out.str());
    }
    std::sort(items.begin(), items.end());
    std::string text = info.m_strName.GetString();
    for (const std::string& item : items) text += "\n" + item;
    tables.push_back(text);
  }
  std::sort(tables.begin(), tables.end());
  std::string all;
  for (const std::string& table : tables) all += table + "\n";
  return all;
}

std::vector<COleVariant> ColumnValues(const std::string& path, const char* table,
                                      const char* field) {
  CDaoDatabase db;
  db.Open(path.c_str(), FALSE, TRUE, kDatabaseConnect);
  CZLTableDef def(&db);
  def.Open(table);
  CZLRecordset rs(&db);
  rs.Open(&def, dbOpenTable, 0);
  std::vector<COleVariant> values;
  if (rs.GetRecordCount() > 0) {
    for (rs.MoveFirst(); !rs.IsEOF(); rs.MoveNext()) values.push_back(rs.GetFieldValue(field));
  }
  return values;
}

}  // namespace zltest
