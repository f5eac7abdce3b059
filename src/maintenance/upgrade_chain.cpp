#include "maintenance/upgrade_chain.h"

#include "engine/close_quietly.h"
#include "engine/dao_database.h"
#include "engine/dao_errors.h"
#include "frame/dbinfo.h"
#include "frame/guard.h"
#include "frame/language_maps.h"
#include "frame/open_database.h"
#include "frame/registry_refresh.h"
#include "frame/transaction.h"
#include "maintenance/upgrade_schema.h"
#include "schema/fixed_tables.h"
#include "schema/zl_recordset.h"
#include "schema/zl_tabledef.h"

namespace zl {
namespace {

constexpr ZLFieldLayout kByteWizType = {"WIZTYPE", dbByte, 1, dbUpdatableField};

const char* Name(ZLFixedTable table) { return FixedTableLayout(table).name; }

void AddFixed(CDaoDatabase& db, ZLFixedTable table, std::initializer_list<const char*> fields) {
  for (const char* field : fields) AddField(db, Name(table), FixedField(table, field));
}

// Adds fields of a simulator-language layout to every table of its kind.
void AddToSimulatorTables(CDaoDatabase& db, int kind, std::initializer_list<const char*> fields) {
  const ZLLanguageTableLayout& layout = SimulatorTableLayout(kind);
  for (const CString& table : RegisteredTables(db, ZLT_SIMTABINFO, kind)) {
    for (const char* field : fields) {
      AddField(db, table, LayoutField(layout.fields, layout.fieldCount, field));
    }
  }
}

void RetypeFixed(CDaoDatabase& db, ZLFixedTable table, const char* field, short tempType,
                 long tempSize) {
  RetypeField(db, Name(table), FixedField(table, field), tempType, tempSize);
}

void Execute(CDaoDatabase& db, const char* format, const char* table) {
  CString sql;
  sql.Format(format, table);
  db.Execute(sql, dbFailOnError);
}

// The fields of TOLERANCE and TOLERANCE_VALUE that a database of version 16
// to 20 may lack.  The chain adds them only when 16 < v, which leaves a
// database of version 16 without both, so that every tolerance write fails;
// the fields are added wherever they are missing instead.
void AddToleranceField(CDaoDatabase& db, const char* field) {
  AddFixed(db, ZLT_TOLERANCE, {field});
  AddFixed(db, ZLT_TOLERANCE_VALUE, {field});
}

void NoSchema(CDaoDatabase&, const CUpgradeContext&) {}

const std::vector<ZLUpgradeStep> kBefore = {
    {1, 1, 0,
     [](CDaoDatabase& db, const CUpgradeContext&) {
       AddField(db, Name(ZLT_MAIN), kByteWizType);
       AddFixed(db, ZLT_MAIN, {"UDTNAME"});
     },
     nullptr},
    {2, 2, 0,
     [](CDaoDatabase& db, const CUpgradeContext&) {
       AddFixed(db, ZLT_NODE_NC, {"UNIT", "UNIT_TO_RESID"});
     },
     nullptr},
    {3, 3, 0,
     [](CDaoDatabase& db, const CUpgradeContext&) {
       AddToSimulatorTables(db, ZLS_MACRO, {"FLEXOPTION"});
     },
     RewriteMacros},
    {4, 4, 0,
     [](CDaoDatabase& db, const CUpgradeContext&) {
       const ZLLanguageTableLayout& layout = ResourceTableLayout(ZLR_KEYWORD);
       const ZLFieldLayout& keyword = LayoutField(layout.fields, layout.fieldCount, "KEYWORD");
       for (const CString& table : RegisteredTables(db, ZLT_RESINFO, ZLR_KEYWORD)) {
         RetypeField(db, table, keyword, keyword.type, keyword.size,
                     {&LanguageIndex(layout, "KEYWORD_INDEX")});
       }
     },
     nullptr},
    {5, 5, 0,
     [](CDaoDatabase& db, const CUpgradeContext&) {
       AddFixed(db, ZLT_FILES, {"LANGID"});
       // The language of a file of type 10 was kept in ACCESS.
       Execute(db, "UPDATE [%s] SET [LANGID]=[ACCESS], [ACCESS] = NULL WHERE [TYPE] = 10",
               Name(ZLT_FILES));
     },
     nullptr},
    {7, 7, 1,
     [](CDaoDatabase& db, const CUpgradeContext&) {
       AddFixed(db, ZLT_DBINFO, {"LASTVHDLPACKAGECHANGE"});
       AddToSimulatorTables(db, ZLS_MACRO, {"DESCRIPTION", "DEFNAME", "COMPILED", "DEFAULT"});
     },
     FillFolderNames},
    {8, 8, 2,
     [](CDaoDatabase& db, const CUpgradeContext&) {
       CreateFixedTable(db, ZLT_PACKAGE, {"CREATED_USER", "CREATED_DATE"});
     },
     nullptr},
    {9, 9, 2,
     [](CDaoDatabase& db, const CUpgradeContext&) {
       AddToSimulatorTables(db, ZLS_ACCESS, {"DEF_VALUE"});
       AddFixed(db, ZLT_NODE_NC, {"DEFVALUE_TO_RESID"});
     },
     nullptr},
    {10, 10, 3,
     [](CDaoDatabase& db, const CUpgradeContext&) {
       AddFixed(db, ZLT_DBINFO, {"STATE", "USER_VERSION", "INFO"});
       RetypeFixed(db, ZLT_MAIN, "AUTHOR", dbText, 255);
       RetypeFixed(db, ZLT_PACKAGE, "AUTHOR", dbText, 255);
       CreateFixedTable(db, ZLT_ADDITIONAL_DATA_INFO);
       CreateFixedTable(db, ZLT_ADDITIONAL_DATA);
     },
     nullptr},
    {12, 12, 3,
     [](CDaoDatabase& db, const CUpgradeContext&) {
       RecreateIndex(db, Name(ZLT_MAIN), FixedIndex(ZLT_MAIN, "DEFNAME_INDEX"));
     },
     nullptr},
    {13, 13, 3, [](CDaoDatabase& db, const CUpgradeContext&) { CreateFixedTable(db, ZLT_UDT_ID); },
     nullptr},
    {15, 15, 4,
     [](CDaoDatabase& db, const CUpgradeContext&) {
       AddFixed(db, ZLT_MAIN, {"CREATED_USER", "CREATED_DATE"});
       AddFixed(db, ZLT_PACKAGE, {"CREATED_USER", "CREATED_DATE"});
       AddFixed(db, ZLT_NODE_NC, {"QUANTITY", "QUANTITY_TO_RESID", "PREFERUNIT_TO_RESID"});
       const ZLLanguageTableLayout& links = ResourceTableLayout(ZLR_KEYWORDID);
       for (const CString& table : RegisteredTables(db, ZLT_RESINFO, ZLR_KEYWORDID)) {
         const ZLFieldLayout& keywordID = LayoutField(links.fields, links.fieldCount, "KEYWORD_ID");
         RetypeField(db, table, keywordID, dbLong, 4, {&LanguageIndex(links, "KEYWORD_ID_INDEX")});
         if (!FieldExists(db, table, "PARAM_ID")) {
           AddField(db, table, LayoutField(links.fields, links.fieldCount, "PARAM_ID"));
           Execute(db, "UPDATE [%s] SET [PARAM_ID]=0", table);
         }
         RecreateIndex(db, table, LanguageIndex(links, "MODEL_ID_INDEX"));
       }
       const ZLLanguageTableLayout& keywords = ResourceTableLayout(ZLR_KEYWORD);
       for (const CString& table : RegisteredTables(db, ZLT_RESINFO, ZLR_KEYWORD)) {
         RecreateIndex(db, table, LanguageIndex(keywords, "KEYWORD_ID_INDEX"));
       }
       CreateFixedTable(db, ZLT_PARAMSET);
       CreateFixedTable(db, ZLT_PARAMVALUE);
     },
     [](const CUpgradeContext& context) {
       CompleteResourceLanguages(context);
       MarkDefaultMacros(context);
     }},
    {16, 16, 4,
     [](CDaoDatabase& db, const CUpgradeContext&) {
       for (ZLFixedTable table :
            {ZLT_TOLERANCE, ZLT_TOLERANCE_VALUE, ZLT_QUALITY, ZLT_QUALITY_VALUE})
         CreateFixedTable(db, table);
     },
     SeedTolerances},
    {17, 17, 4,
     [](CDaoDatabase& db, const CUpgradeContext&) {
       RetypeFixed(db, ZLT_MAIN, "WIZTYPE", kByteWizType.type, kByteWizType.size);
     },
     nullptr},
    {18, 18, 5,
     [](CDaoDatabase& db, const CUpgradeContext&) {
       AddFixed(db, ZLT_MAIN, {"WIZARDDATA"});
       AddFixed(db, ZLT_DBINFO, {"LOGIN"});
     },
     nullptr},
};

const std::vector<ZLUpgradeStep> kAfter = {
    {19, 19, 5,
     [](CDaoDatabase& db, const CUpgradeContext&) { AddToleranceField(db, "TOLERANCE"); }, nullptr},
    {20, 20, 5,
     [](CDaoDatabase& db, const CUpgradeContext&) {
       RetypeFixed(db, ZLT_NODE_NC, "UNIT", dbText, 255);
       RetypeFixed(db, ZLT_NODE_NC, "QUANTITY", dbText, 60);
     },
     nullptr},
    {21, 21, 5,
     [](CDaoDatabase& db, const CUpgradeContext&) { AddToleranceField(db, "CHARACTERISTIC"); },
     nullptr},
    {22, 22, 5, NoSchema, nullptr},
};

void CloseHandleTables(ZLHandleRecord& record) {
  if (record.languages != nullptr) record.languages->Clear();
  record.resourceRegistryStamp = 0;
  record.simulatorRegistryStamp = 0;
  for (int table = 0; table < ZLT_FIXED_TABLE_COUNT; ++table) {
    CloseAndDelete(record.recordsets[table]);
    CloseAndDelete(record.tableDefs[table]);
  }
}

// Opens the fixed tables the handle's version has and the registered
// language tables, as an open does.
void OpenHandleTables(ZLHandleRecord& record) {
  OpenFixedTable(*record.database, ZLT_DBINFO, record.tableDefs[ZLT_DBINFO],
                 record.recordsets[ZLT_DBINFO]);
  OpenFixedTables(record);
  if (RefreshResourceTables(record) != ZLE_OK || RefreshSimulatorTables(record) != ZLE_OK) {
    engine::ThrowDaoError(kDaoReservedError, "language tables");
  }
}

}  // namespace

const std::vector<ZLUpgradeStep>& UpgradeStepsBeforeCompaction() { return kBefore; }
const std::vector<ZLUpgradeStep>& UpgradeStepsAfterCompaction() { return kAfter; }

std::vector<CString> RegisteredTables(CDaoDatabase& database, ZLFixedTable registry, int kind) {
  std::vector<CString> names;
  CZLTableDef tableDef(&database);
  tableDef.Open(Name(registry));
  CZLRecordset rows(&database);
  rows.Open(&tableDef, dbOpenTable, 0);
  if (rows.GetRecordCount() > 0) {
    for (rows.MoveFirst(); !rows.IsEOF(); rows.MoveNext()) {
      const COleVariant type = rows.GetFieldValue("TABTYPE");
      const COleVariant name = rows.GetFieldValue("TABNAME");
      if (type.vt == VT_UI1 && type.bVal == kind && name.vt == VT_BSTR) {
        names.emplace_back(V_BSTRT(&name));
      }
    }
  }
  rows.Close();
  return names;
}

void RunUpgradeStep(const CUpgradeContext& context, const ZLUpgradeStep& step) {
  ZLHandleRecord& record = context.record;
  const ZLDBVersion previous = record.databaseVersion;
  const ZLDBStructVersion previousStructure = record.structureVersion;
  CloseHandleTables(record);
  CTransaction transaction;
  try {
    step.schema(*record.database, context);
    record.databaseVersion = static_cast<ZLDBVersion>(step.version);
    record.structureVersion = static_cast<ZLDBStructVersion>(step.structure);
    OpenHandleTables(record);
    if (step.data != nullptr) step.data(context);
    const COleVariant packed(PackVersion(step.version, step.structure));
    WriteDbInfoField(record, "VERSION", &packed);
    transaction.Commit();
  } catch (...) {
    // The tables go before the rollback takes away what the step created.
    CloseHandleTables(record);
    record.databaseVersion = previous;
    record.structureVersion = previousStructure;
    throw;
  }
}

void RunPackageMove(const CUpgradeContext& context) {
  ZLHandleRecord& record = context.record;
  if (!TableExists(*record.database, "VHDL_PACKAGES")) return;
  CTransaction transaction;
  try {
    MovePackageRows(context);
    transaction.Commit();
  } catch (...) {
    CloseHandleTables(record);
    throw;
  }
}

}  // namespace zl
