#include "legacy/legacy_layout.h"

#include <iterator>

#include "engine/dao_database.h"
#include "schema/fixed_tables.h"
#include "schema/zl_recordset.h"
#include "schema/zl_tabledef.h"

namespace zl::legacy {
namespace {

// Counters carry only the counter attribute; text fields marked variable
// are variable and updatable; every other field is updatable.
constexpr int32_t kVar = dbVariableField | dbUpdatableField;
constexpr int32_t kUpd = dbUpdatableField;

const ZLLegacyField kSdbFields[] = {
    {"ID", dbLong, 4, dbAutoIncrField, false}, {"NAME", dbText, 50, kVar, true},
    {"TYPE", dbText, 8, kVar, true},           {"FLDR", dbText, 100, kVar, true},
    {"TITLE", dbText, 100, kVar, true},        {"SRC", dbText, 15, kVar, true},
    {"DATE", dbDate, 8, kUpd, false},          {"LEVEL", dbInteger, 2, kUpd, false},
    {"USES", dbText, 250, kVar, true},         {"INFO", dbText, 255, kVar, true},
    {"CALL", dbMemo, 0, kUpd, true},           {"LIB", dbLongBinary, 0, kUpd, false},
    {"SYMBOL", dbMemo, 0, kUpd, true},         {"SCH", dbLongBinary, 0, kUpd, false},
    {"LIB_STATE", dbLong, 4, kUpd, false},     {"SYMBOL_LEVEL", dbLong, 4, kUpd, false},
    {"SDB_STATE", dbLong, 4, kUpd, false},     {"WIZTYPE", dbByte, 1, kUpd, false},
    {"UDTNAME", dbText, 20, kUpd, false},
};
const ZLIndexLayout kSdbIndexes[] = {
    {"ID_INDEX", {"ID", nullptr, nullptr}, true},
    {"SDB_STATE_INDEX", {"SDB_STATE", nullptr, nullptr}, false},
};

// PARAMS and CONNECT; OUTPUT has the first six fields.
const ZLLegacyField kCoPaFields[] = {
    {"ID", dbLong, 4, kUpd, false},
    {"TYPE", dbLong, 4, kUpd, false},
    {"EXTTYPE", dbLong, 4, kUpd, false},
    {"VALUE", dbText, 255, kVar, true},
    {"NAME", dbText, 30, kVar, true},
    {"INFO", dbText, 50, kVar, true},
    {"TYPE_TO_TRESID", dbInteger, 2, kUpd, false},
    {"EYTTYPE_TO_TRESID", dbInteger, 2, kUpd, false},
    {"VALUE_TO_TRESID", dbInteger, 2, kUpd, false},
    {"NAME_TO_TRESID", dbInteger, 2, kUpd, false},
    {"INFO_TO_TRESID", dbInteger, 2, kUpd, false},
};
constexpr size_t kOutputFieldCount = 6;
const ZLIndexLayout kIdIndex[] = {{"ID_INDEX", {"ID", nullptr, nullptr}, false}};

const ZLLegacyField kFilesFields[] = {
    {"ID", dbLong, 4, kUpd, false},
    {"FILE", dbText, 255, kVar, true},
    {"TYPE", dbByte, 1, kUpd, false},
    {"ACCESS", dbLong, 4, kUpd, false},
};

const ZLLegacyField kKeywordsFields[] = {
    {"KEYWID", dbLong, 4, dbAutoIncrField, false},
    {"KEYW", dbText, 30, kVar, true},
};
const ZLIndexLayout kKeywordsIndexes[] = {
    {"KEYW_INDEX", {"KEYW", nullptr, nullptr}, true},
    {"KEYWID_INDEX", {"KEYWID", nullptr, nullptr}, true},
};

const ZLLegacyField kKeywordLinkFields[] = {
    {"KEYWID", dbLong, 4, kUpd, false},
    {"ID", dbLong, 4, kUpd, false},
};
const ZLIndexLayout kKeywordLinkIndexes[] = {
    {"ID_INDEX", {"ID", nullptr, nullptr}, false},
    {"KEYWID_INDEX", {"KEYWID", nullptr, nullptr}, false},
};

const ZLLegacyField kLayoutChangeFields[] = {
    {"DATE", dbDate, 8, kUpd, false},
    {"VERSION", dbLong, 4, kUpd, false},
};

const ZLLegacyTableLayout kTables[] = {
    {"SDB", kSdbFields, std::size(kSdbFields), kSdbIndexes, std::size(kSdbIndexes), "ID_INDEX"},
    {"PARAMS", kCoPaFields, std::size(kCoPaFields), kIdIndex, 1, "ID_INDEX"},
    {"CONNECT", kCoPaFields, std::size(kCoPaFields), kIdIndex, 1, "ID_INDEX"},
    {"OUTPUT", kCoPaFields, kOutputFieldCount, kIdIndex, 1, "ID_INDEX"},
    {"FILES", kFilesFields, std::size(kFilesFields), kIdIndex, 1, "ID_INDEX"},
    {"KEYWORDS", kKeywordsFields, std::size(kKeywordsFields), kKeywordsIndexes,
     std::size(kKeywordsIndexes), "KEYW_INDEX"},
    {"KEYWORDSID", kKeywordLinkFields, std::size(kKeywordLinkFields), kKeywordLinkIndexes,
     std::size(kKeywordLinkIndexes), "ID_INDEX"},
    {"LASTLAYOUTCHANGE", kLayoutChangeFields, std::size(kLayoutChangeFields), nullptr, 0, nullptr},
};
static_assert(std::size(kTables) == LT_TABLE_COUNT, "one layout per legacy table");

void OpenRecordset(CDaoDatabase& database, ELegacyTable table, CZLTableDef* tableDef,
                   CZLRecordset*& recordset) {
  recordset = new CZLRecordset(&database);
  recordset->Open(tableDef, dbOpenTable, 0);
  if (kTables[table].currentIndex != nullptr) {
    recordset->SetCurrentIndex(kTables[table].currentIndex);
  }
}

}  // namespace

const ZLLegacyTableLayout& LegacyTableLayout(ELegacyTable table) { return kTables[table]; }

void BuildLegacyTable(CDaoDatabase& database, ELegacyTable table, CZLTableDef*& tableDef,
                      CZLRecordset*& recordset) {
  const ZLLegacyTableLayout& layout = kTables[table];
  tableDef = new CZLTableDef(&database);
  tableDef->Create(layout.name);
  for (size_t i = 0; i < layout.fieldCount; ++i) {
    const ZLLegacyField& field = layout.fields[i];
    tableDef->CreateFieldEx(field.name, field.type, field.size, field.attributes,
                            field.allowZeroLength ? TRUE : FALSE);
  }
  DefineIndexes(*tableDef, layout.indexes, layout.indexCount);
  tableDef->Append();
  OpenRecordset(database, table, tableDef, recordset);
}

void OpenLegacyTable(CDaoDatabase& database, ELegacyTable table, CZLTableDef*& tableDef,
                     CZLRecordset*& recordset) {
  tableDef = new CZLTableDef(&database);
  tableDef->Open(kTables[table].name);
  OpenRecordset(database, table, tableDef, recordset);
}

}  // namespace zl::legacy
