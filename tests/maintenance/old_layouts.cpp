#include "maintenance/old_layouts.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <sstream>

#include "engine/dao_database.h"
#include "frame/language_maps.h"
#include "maintenance/upgrade_schema.h"
#include "schema/fixed_tables.h"
#include "schema/language_tables.h"
#include "schema/layout.h"
#include "schema/zl_recordset.h"
#include "schema/zl_tabledef.h"
#include "zldbctrl70.h"

namespace zltest {
namespace {

using namespace zl;

// What the older layouts lacked or had otherwise; tables are named as in
// the layout description (patterns for per-language tables), names are
// separated by spaces.
struct CAdded {
  const char* table;
  const char* names;  // fields, or an index
  int since;
};
// One line per change reads as the history it is.
// clang-format off
const CAdded kAddedFields[] = {
    {"MAIN", "WIZTYPE UDTNAME", 1}, {"MAIN", "CREATED_USER CREATED_DATE", 15}, {"MAIN", "WIZARDDATA", 18},
    {"NODE_NC", "UNIT UNIT_TO_RESID", 2}, {"NODE_NC", "DEFVALUE_TO_RESID", 9},
    {"NODE_NC", "QUANTITY QUANTITY_TO_RESID PREFERUNIT_TO_RESID", 15}, {"FILES", "LANGID", 5},
    {"DBINFO", "LASTVHDLPACKAGECHANGE", 7}, {"DBINFO", "STATE USER_VERSION INFO", 10}, {"DBINFO", "LOGIN", 18},
    {"PACKAGE", "CREATED_USER CREATED_DATE", 15}, {"TOLERANCE", "TOLERANCE", 19},
    {"TOLERANCE", "CHARACTERISTIC", 21}, {"TOLERANCE_VALUE", "TOLERANCE", 19},
    {"TOLERANCE_VALUE", "CHARACTERISTIC", 21}, {"MACRO_%s", "FLEXOPTION", 3},
    {"MACRO_%s", "DESCRIPTION DEFNAME COMPILED DEFAULT", 7}, {"ACCESS_%s", "DEF_VALUE", 9},
    {"KEYWORDID_%08x", "PARAM_ID", 15},
};
const CAdded kAddedIndexes[] = {{"MAIN", "DEFNAME_INDEX", 12}};

// Fields with another type, size or zero-length rule before `until`.
struct COldType {
  const char* table;
  int until;
  ZLFieldLayout old;
  bool zeroLength;
};
const COldType kOldTypes[] = {
    {"MAIN", 17, {"WIZTYPE", dbByte, 1, dbUpdatableField}, false},
    {"MAIN", 10, {"AUTHOR", dbText, 50, dbVariableField | dbUpdatableField}, true},
    {"KEYWORD_%08x", 4, {"KEYWORD", dbText, 50, dbVariableField | dbUpdatableField}, true},
    {"KEYWORDID_%08x", 15, {"KEYWORD_ID", dbInteger, 2, dbUpdatableField}, false},
    {"NODE_NC", 20, {"UNIT", dbText, 255, dbVariableField | dbUpdatableField}, false},
    {"NODE_NC", 20, {"QUANTITY", dbText, 60, dbVariableField | dbUpdatableField}, false},
};
// Indexes defined otherwise before version 15.
const ZLIndexLayout kOldKeywordIndex = {
    "KEYWORD_ID_INDEX", {"KEYWORD_ID", nullptr, nullptr}, false};
const ZLIndexLayout kOldLinkIndex = {"MODEL_ID_INDEX", {"MODEL_ID", nullptr, nullptr}, false};
// clang-format on

bool Added(const CAdded* list, size_t count, const char* table, const char* name, int version) {
  for (size_t i = 0; i < count; ++i) {
    if (std::strcmp(list[i].table, table) != 0) continue;
    std::istringstream names(list[i].names);
    for (std::string each; names >> each;) {
      if (each == name) return version < list[i].since;
    }
  }
  return false;
}

// Creates a table of a layout as it stood at version under name.
void CreateOld(CDaoDatabase& db, const char* pattern, const char* name, const ZLFieldLayout* fields,
               size_t fieldCount, const ZLIndexLayout* indexes, size_t indexCount, int version) {
  std::vector<ZLFieldLayout> kept, strict;  // strict: no zero-length texts
  for (size_t i = 0; i < fieldCount; ++i) {
    if (Added(kAddedFields, std::size(kAddedFields), pattern, fields[i].name, version)) continue;
    bool zeroLength = true;
    ZLFieldLayout field = fields[i];
    for (const COldType& old : kOldTypes) {
      if (!std::strcmp(old.table, pattern) && !std::strcmp(old.old.name, field.name) &&
          version < old.until) {
        field = old.old;
        zeroLength = old.zeroLength;
      }
    }
    (zeroLength || field.type != dbText ? kept : strict).push_back(field);
  }
  std::vector<ZLIndexLayout> keys;
  for (size_t i = 0; i < indexCount; ++i) {
    const bool keyword = !std::strcmp(pattern, "KEYWORD_%08x") && indexes[i].unique;
    const bool link = !std::strcmp(pattern, "KEYWORDID_%08x") && indexes[i].fields[1] != nullptr;
    if (Added(kAddedIndexes, std::size(kAddedIndexes), pattern, indexes[i].name, version)) continue;
    keys.push_back(version >= 15 ? indexes[i]
                   : keyword     ? kOldKeywordIndex
                   : link        ? kOldLinkIndex
                                 : indexes[i]);
  }
  CZLTableDef def(&db);
  DefineTable(def, name, kept.data(), kept.size(), keys.data(), keys.size());
  for (const ZLFieldLayout& f : strict) def.CreateFieldEx(f.name, f.type, f.size, f.attributes, 0);
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
    if (FieldExists(db, table, field.c_str())) rs.SetFieldValue(field.c_str(), value);
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
  const char* texts[] = {"* LM741\n.subckt LM741 1 2 3", "* LM741 fast", "* TL072"};
  // clang-format off
  AddRow(db, "MAIN", {{"TYPE", 1L}, {"DEFNAME", ""}, {"FIRSTCHILD", 2L}, {"AUTHOR", author}});
  AddRow(db, "MAIN", {{"TYPE", 1L}, {"PARENT", 1L}, {"FIRSTCHILD", 4L}, {"NEXT", 3L}});
  AddRow(db, "MAIN", {{"TYPE", 1L}, {"PARENT", 1L}, {"PREV", 2L}, {"DEFNAME", "Amplifiers"}});
  for (const char* name : {"LM741", "TL072"})
    AddRow(db, "MAIN", {{"TYPE", 3L}, {"PARENT", 2L}, {"DEFNAME", name}, {"AUTHOR", author}, {"WIZTYPE", BYTE{7}}});
  for (long type : {0x4L, 0x1L, 0x10L})
    AddRow(db, "NODE_NC", {{"MODEL_ID", 4L}, {"NAME", "P"}, {"TYPE", type}, {"UNIT", "V"}});
  AddRow(db, "NODE_NC", {{"MODEL_ID", 5L}, {"NAME", "X"}, {"TYPE", 0x2L}});
  // Before version 5 the language of a file of type 10 was kept in ACCESS.
  AddRow(db, "FILES", {{"MODEL_ID", 4L}, {"FILE_NAME", "lm741.pdf"}, {"TYPE", BYTE{10}},
                       {"ACCESS", v < 5 ? COleVariant(1031L) : Null()}, {"LANGID", 1031L}});
  AddRow(db, "FILES", {{"MODEL_ID", 4L}, {"FILE_NAME", "lm741.lib"}, {"TYPE", BYTE{2}}, {"ACCESS", 5L}});
  AddRow(db, "KEYWORD_00000409", {{"KEYWORD", "opamp"}});
  AddRow(db, "KEYWORDID_00000409", {{"MODEL_ID", 4L}, {"KEYWORD_ID", int16_t{1}}, {"PARAM_ID", 0L}});
  for (int i = 0; i < 3; ++i)
    AddRow(db, "MACRO_Spice", {{"MODEL_ID", i < 2 ? 4L : 5L}, {"MACROTEXT", Bytes(texts[i])}, {"STATE", 0L},
                               {"LEVEL", 1L}, {"ENABLED", Bool(true)}, {"DEFAULT", Bool(i == 2)}});
  for (long id = 6; id < 6 + extraModels; ++id) {
    AddRow(db, "MAIN", {{"TYPE", 3L}, {"PARENT", 2L}, {"DEFNAME", "M"}});
    for (long type : {0x4L, 0x1L}) AddRow(db, "NODE_NC", {{"MODEL_ID", id}, {"TYPE", type}});
    AddRow(db, "MACRO_Spice", {{"MODEL_ID", id}, {"MACROTEXT", Bytes(texts[0])}, {"LEVEL", 1L}});
  }
  if (v >= 7) return;
  AddRow(db, "VHDL_PACKAGES", {{"VHDL_PACKAGE_NAME", "ieee_ext"}, {"AUTHOR", author}, {"STATE", 2L},
                               {"PACKAGE_TEXT", Bytes("package ieee_ext is end;")},
                               {"PACKAGE_BODY_TEXT", Bytes("package body ieee_ext is end;")}});
  AddRow(db, "VHDL_PACKAGES", {{"VHDL_PACKAGE_NAME", "mathx"}, {"STATE", 0L},
                               {"PACKAGE_TEXT", Bytes("package mathx is end;")}});
  // clang-format on
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
  // Tables of language 0x409 and of simulator language Spice (call, macro,
  // access); preferred units came with version 15.
  for (int kind = 0; kind < kResourceTableKinds + 3; ++kind) {
    const bool resource = kind < kResourceTableKinds;
    const ZLLanguageTableLayout& layout =
        resource ? ResourceTableLayout(kind) : SimulatorTableLayout(kind - kResourceTableKinds);
    if (v < 15 && kind == ZLR_UNIT) continue;
    const CString name = resource ? FormatResourceTableName(layout, 0x409)
                                  : FormatSimulatorTableName(layout, "Spice");
    CreateOld(db, layout.nameFormat, name, layout.fields, layout.fieldCount, layout.indexes,
              layout.indexCount, v);
    // clang-format off
    AddRow(db, resource ? "RESINFO" : "SIMTABINFO", {{resource ? "LANGID" : "SIM_ID", resource ? COleVariant(0x409L) : COleVariant("Spice")},
           {"TABNAME", name}, {"TABTYPE", static_cast<BYTE>(layout.kind)}, {"EXCLUSIVE", Bool(false)}});
    // clang-format on
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

std::string Column(const std::string& path, const char* table, const char* field) {
  CDaoDatabase db;
  db.Open(path.c_str(), FALSE, TRUE, kDatabaseConnect);
  CZLTableDef def(&db);
  def.Open(table);
  CZLRecordset rs(&db);
  rs.Open(&def, dbOpenTable, 0);
  std::string values;
  for (long row = 0; row < rs.GetRecordCount(); ++row) {
    row == 0 ? rs.MoveFirst() : rs.MoveNext();
    const COleVariant value = rs.GetFieldValue(field);
    values += row == 0 ? "" : ",";
    if (value.vt == VT_NULL)
      values += "null";
    else if (value.vt == VT_BSTR)
      values += V_BSTRT(&value);
    else
      values += std::to_string(value.vt == VT_BOOL  ? value.boolVal
                               : value.vt == VT_UI1 ? value.bVal
                                                    : value.lVal);
  }
  return values;
}

int VersionOf(const std::string& path) {
  void* hDB = ZLOpenDatabase(path.c_str(), eOpenReadOnly);
  ZLDBVersion version = ZLDBVersion0;
  ZLDBStructVersion structure;
  if (hDB != nullptr) ZLGetDatabaseVersion(hDB, version, structure);
  ZLCloseDatabase(hDB);
  return version;
}

}  // namespace zltest
