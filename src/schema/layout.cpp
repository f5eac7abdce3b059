#include "schema/layout.h"

#include <cstring>
#include <iterator>

#include "engine/dao_types.h"

namespace zl {
namespace {

// Field attributes follow one rule: counters carry only the counter
// attribute, text and memo fields are variable and updatable (UDTNAME of
// MAIN is the one fixed-width text), every other field is updatable.

const ZLFieldLayout kMainFields[] = {
    {"MODEL_ID", dbLong, 4, dbAutoIncrField},
    {"DEFNAME", dbText, 50, dbVariableField | dbUpdatableField},
    {"TITLE", dbLong, 4, dbUpdatableField},
    {"INFO", dbLong, 4, dbUpdatableField},
    {"CREATED_USER", dbText, 255, dbVariableField | dbUpdatableField},
    {"CREATED_DATE", dbDate, 8, dbUpdatableField},
    {"AUTHOR", dbText, 255, dbVariableField | dbUpdatableField},
    {"DATE", dbDate, 8, dbUpdatableField},
    {"USES", dbText, 250, dbVariableField | dbUpdatableField},
    {"SHEET", dbLongBinary, 0, dbUpdatableField},
    {"STATE", dbLong, 4, dbUpdatableField},
    {"TYPE", dbLong, 4, dbUpdatableField},
    {"LEVEL", dbLong, 4, dbUpdatableField},
    {"PREV", dbLong, 4, dbUpdatableField},
    {"NEXT", dbLong, 4, dbUpdatableField},
    {"PARENT", dbLong, 4, dbUpdatableField},
    {"FIRSTCHILD", dbLong, 4, dbUpdatableField},
    {"WIZTYPE", dbLong, 4, dbUpdatableField},
    {"UDTNAME", dbText, 20, dbUpdatableField},
    {"WIZARDDATA", dbLongBinary, 0, dbUpdatableField},
};
const ZLIndexLayout kMainIndexes[] = {
    {"MODEL_ID_INDEX", {"MODEL_ID", nullptr, nullptr}, true},
    {"STATE_INDEX", {"STATE", nullptr, nullptr}, false},
    {"DEFNAME_INDEX", {"DEFNAME", nullptr, nullptr}, false},
};

const ZLFieldLayout kNodeNcFields[] = {
    {"NODE_ID", dbLong, 4, dbAutoIncrField},
    {"MODEL_ID", dbLong, 4, dbUpdatableField},
    {"INDEX", dbLong, 4, dbUpdatableField},
    {"NAME", dbText, 30, dbVariableField | dbUpdatableField},
    {"NATURE", dbText, 30, dbVariableField | dbUpdatableField},
    {"UNIT", dbText, 255, dbVariableField | dbUpdatableField},
    {"QUANTITY", dbText, 60, dbVariableField | dbUpdatableField},
    {"VALUE", dbText, 255, dbVariableField | dbUpdatableField},
    {"TYPE", dbLong, 4, dbUpdatableField},
    {"EXTTYPE", dbLong, 4, dbUpdatableField},
    {"INFO", dbLong, 4, dbUpdatableField},
    {"WIZ_FILE_ID", dbLong, 4, dbUpdatableField},
    {"NAME_TO_RESID", dbLong, 4, dbUpdatableField},
    {"NATURE_TO_RESID", dbLong, 4, dbUpdatableField},
    {"UNIT_TO_RESID", dbLong, 4, dbUpdatableField},
    {"QUANTITY_TO_RESID", dbLong, 4, dbUpdatableField},
    {"PREFERUNIT_TO_RESID", dbLong, 4, dbUpdatableField},
    {"VALUE_TO_RESID", dbLong, 4, dbUpdatableField},
    {"TYPE_TO_RESID", dbLong, 4, dbUpdatableField},
    {"EXTTYPE_TO_RESID", dbLong, 4, dbUpdatableField},
    {"INFO_TO_RESID", dbLong, 4, dbUpdatableField},
    {"DEFVALUE_TO_RESID", dbLong, 4, dbUpdatableField},
};
const ZLIndexLayout kNodeNcIndexes[] = {
    {"MODEL_ID_INDEX", {"MODEL_ID", nullptr, nullptr}, false},
};

const ZLFieldLayout kParamsetFields[] = {
    {"PARAM_ID", dbLong, 4, dbAutoIncrField},
    {"MODEL_ID", dbLong, 4, dbUpdatableField},
    {"TITLE", dbLong, 4, dbUpdatableField},
    {"INFO", dbLong, 4, dbUpdatableField},
    {"CREATED_USER", dbText, 255, dbVariableField | dbUpdatableField},
    {"CREATED_DATE", dbDate, 8, dbUpdatableField},
    {"AUTHOR", dbText, 255, dbVariableField | dbUpdatableField},
    {"DATE", dbDate, 8, dbUpdatableField},
    {"PREV", dbLong, 4, dbUpdatableField},
    {"NEXT", dbLong, 4, dbUpdatableField},
    {"STATE", dbLong, 4, dbUpdatableField},
};
const ZLIndexLayout kParamsetIndexes[] = {
    {"MODEL_ID_INDEX", {"MODEL_ID", nullptr, nullptr}, false},
    {"PARAM_ID_INDEX", {"PARAM_ID", nullptr, nullptr}, false},
};

const ZLFieldLayout kParamvalueFields[] = {
    {"VALUE_ID", dbLong, 4, dbAutoIncrField},
    {"NODE_ID", dbLong, 4, dbUpdatableField},
    {"PARAM_ID", dbLong, 4, dbUpdatableField},
    {"NODE_TYPE", dbLong, 4, dbUpdatableField},
    {"VALUE", dbText, 255, dbVariableField | dbUpdatableField},
    {"TYPE", dbLong, 4, dbUpdatableField},
};
const ZLIndexLayout kParamvalueIndexes[] = {
    {"NODE_ID_INDEX", {"NODE_ID", "PARAM_ID", "NODE_TYPE"}, false},
};

const ZLFieldLayout kToleranceFields[] = {
    {"TOLERANCE_ID", dbLong, 4, dbAutoIncrField},
    {"MODEL_ID", dbLong, 4, dbUpdatableField},
    {"NODE_ID", dbLong, 4, dbUpdatableField},
    {"INDEX", dbLong, 4, dbUpdatableField},
    {"MINIMUM", dbText, 255, dbVariableField | dbUpdatableField},
    {"MAXIMUM", dbText, 255, dbVariableField | dbUpdatableField},
    {"MEAN_VALUE", dbText, 255, dbVariableField | dbUpdatableField},
    {"DEVIATION", dbText, 255, dbVariableField | dbUpdatableField},
    {"TOLERANCE", dbText, 255, dbVariableField | dbUpdatableField},
    {"CHARACTERISTIC", dbText, 255, dbVariableField | dbUpdatableField},
    {"STATE", dbLong, 4, dbUpdatableField},
};
const ZLIndexLayout kToleranceIndexes[] = {
    {"MODEL_ID_INDEX", {"MODEL_ID", nullptr, nullptr}, false},
};

const ZLFieldLayout kToleranceValueFields[] = {
    {"TOLERANCE_ID", dbLong, 4, dbUpdatableField},
    {"PARAM_ID", dbLong, 4, dbUpdatableField},
    {"MINIMUM", dbText, 255, dbVariableField | dbUpdatableField},
    {"MAXIMUM", dbText, 255, dbVariableField | dbUpdatableField},
    {"MEAN_VALUE", dbText, 255, dbVariableField | dbUpdatableField},
    {"DEVIATION", dbText, 255, dbVariableField | dbUpdatableField},
    {"TOLERANCE", dbText, 255, dbVariableField | dbUpdatableField},
    {"CHARACTERISTIC", dbText, 255, dbVariableField | dbUpdatableField},
    {"STATE", dbLong, 4, dbUpdatableField},
};
const ZLIndexLayout kToleranceValueIndexes[] = {
    {"TOLERANCE_ID", {"TOLERANCE_ID", "PARAM_ID", nullptr}, false},
};

const ZLFieldLayout kQualityFields[] = {
    {"QUALITY_ID", dbLong, 4, dbAutoIncrField},
    {"MODEL_ID", dbLong, 4, dbUpdatableField},
    {"INDEX", dbLong, 4, dbUpdatableField},
    {"TYPE", dbLong, 4, dbUpdatableField},
    {"LIMIT", dbLong, 4, dbUpdatableField},
    {"REFERECE", dbMemo, 0, dbVariableField | dbUpdatableField},
    {"MINIMUM", dbText, 255, dbVariableField | dbUpdatableField},
    {"MAXIMUM", dbText, 255, dbVariableField | dbUpdatableField},
    {"STATE", dbLong, 4, dbUpdatableField},
};
const ZLIndexLayout kQualityIndexes[] = {
    {"MODEL_ID_INDEX", {"MODEL_ID", nullptr, nullptr}, false},
};

const ZLFieldLayout kQualityValueFields[] = {
    {"QUALITY_ID", dbLong, 4, dbUpdatableField},
    {"PARAM_ID", dbLong, 4, dbUpdatableField},
    {"MINIMUM", dbText, 255, dbVariableField | dbUpdatableField},
    {"MAXIMUM", dbText, 255, dbVariableField | dbUpdatableField},
    {"STATE", dbLong, 4, dbUpdatableField},
};
const ZLIndexLayout kQualityValueIndexes[] = {
    {"QUALITY_ID", {"QUALITY_ID", "PARAM_ID", nullptr}, false},
};

const ZLFieldLayout kNodeCFields[] = {
    {"NODE_ID", dbLong, 4, dbAutoIncrField},
    {"MODEL_ID", dbLong, 4, dbUpdatableField},
    {"INDEX", dbLong, 4, dbUpdatableField},
    {"NAME", dbText, 30, dbVariableField | dbUpdatableField},
    {"NATURE", dbText, 30, dbVariableField | dbUpdatableField},
    {"VALUE", dbText, 255, dbVariableField | dbUpdatableField},
    {"TYPE", dbLong, 4, dbUpdatableField},
    {"EXTTYPE", dbLong, 4, dbUpdatableField},
    {"INFO", dbLong, 4, dbUpdatableField},
    {"WIZ_FILE_ID", dbLong, 4, dbUpdatableField},
    {"NAME_TO_RESID", dbLong, 4, dbUpdatableField},
    {"NATURE_TO_RESID", dbLong, 4, dbUpdatableField},
    {"VALUE_TO_RESID", dbLong, 4, dbUpdatableField},
    {"TYPE_TO_RESID", dbLong, 4, dbUpdatableField},
    {"EXTTYPE_TO_RESID", dbLong, 4, dbUpdatableField},
    {"INFO_TO_RESID", dbLong, 4, dbUpdatableField},
};
const ZLIndexLayout kNodeCIndexes[] = {
    {"MODEL_ID_INDEX", {"MODEL_ID", nullptr, nullptr}, false},
};

const ZLFieldLayout kFilesFields[] = {
    {"FILE_ID", dbLong, 4, dbAutoIncrField},
    {"MODEL_ID", dbLong, 4, dbUpdatableField},
    {"FILE_NAME", dbText, 255, dbVariableField | dbUpdatableField},
    {"TYPE", dbByte, 1, dbUpdatableField},
    {"ACCESS", dbLong, 4, dbUpdatableField},
    {"FILE_DATA", dbLongBinary, 0, dbUpdatableField},
    {"LANGID", dbLong, 4, dbUpdatableField},
};
const ZLIndexLayout kFilesIndexes[] = {
    {"MODEL_ID_INDEX", {"MODEL_ID", nullptr, nullptr}, false},
};

const ZLFieldLayout kSimtabinfoFields[] = {
    {"SIM_ID", dbText, 50, dbVariableField | dbUpdatableField},
    {"TABNAME", dbText, 50, dbVariableField | dbUpdatableField},
    {"TABTYPE", dbByte, 1, dbUpdatableField},
    {"EXCLUSIVE", dbBoolean, 1, dbUpdatableField},
};

const ZLFieldLayout kResinfoFields[] = {
    {"LANGID", dbLong, 4, dbUpdatableField},
    {"TABNAME", dbText, 50, dbVariableField | dbUpdatableField},
    {"TABTYPE", dbByte, 1, dbUpdatableField},
};

const ZLFieldLayout kResidFields[] = {
    {"RES_ID", dbLong, 4, dbAutoIncrField},
};

const ZLFieldLayout kDbinfoFields[] = {
    {"VERSION", dbLong, 4, dbUpdatableField},
    {"LASTLAYOUTCHANGE", dbDate, 8, dbUpdatableField},
    {"LASTVHDLPACKAGECHANGE", dbDate, 8, dbUpdatableField},
    {"STATE", dbLong, 4, dbUpdatableField},
    {"USER_VERSION", dbText, 100, dbVariableField | dbUpdatableField},
    {"INFO", dbMemo, 0, dbVariableField | dbUpdatableField},
    {"LOGIN", dbLongBinary, 0, dbUpdatableField},
};

const ZLFieldLayout kPackageFields[] = {
    {"PACKAGE_ID", dbLong, 4, dbAutoIncrField},
    {"PACKAGE_NAME", dbText, 255, dbVariableField | dbUpdatableField},
    {"TITLE", dbLong, 4, dbUpdatableField},
    {"INFO", dbLong, 4, dbUpdatableField},
    {"CREATED_USER", dbText, 255, dbVariableField | dbUpdatableField},
    {"CREATED_DATE", dbDate, 8, dbUpdatableField},
    {"AUTHOR", dbText, 255, dbVariableField | dbUpdatableField},
    {"DATE", dbDate, 8, dbUpdatableField},
    {"STATE", dbLong, 4, dbUpdatableField},
    {"PREV", dbLong, 4, dbUpdatableField},
    {"NEXT", dbLong, 4, dbUpdatableField},
};
const ZLIndexLayout kPackageIndexes[] = {
    {"NAME_INDEX", {"PACKAGE_NAME", nullptr, nullptr}, true},
    {"ID_INDEX", {"PACKAGE_ID", nullptr, nullptr}, true},
};

const ZLFieldLayout kAdditionalDataInfoFields[] = {
    {"DATANAME", dbText, 64, dbVariableField | dbUpdatableField},
    {"INFO", dbText, 255, dbVariableField | dbUpdatableField},
    {"TYPE", dbLong, 4, dbUpdatableField},
    {"SIZE", dbLong, 4, dbUpdatableField},
    {"INDEX", dbBoolean, 1, dbUpdatableField},
    {"DUPLICATE", dbBoolean, 1, dbUpdatableField},
    {"STATE", dbLong, 4, dbUpdatableField},
};
const ZLIndexLayout kAdditionalDataInfoIndexes[] = {
    {"DATA_NAME_INDEX", {"DATANAME", nullptr, nullptr}, true},
};

const ZLFieldLayout kAdditionalDataFields[] = {
    {"MODEL_ID", dbLong, 4, dbUpdatableField},
};
const ZLIndexLayout kAdditionalDataIndexes[] = {
    {"MODEL_ID_INDEX", {"MODEL_ID", nullptr, nullptr}, true},
};

const ZLFieldLayout kUdtIdFields[] = {
    {"UDT_ID", dbLong, 4, dbAutoIncrField},
    {"MODEL_ID", dbLong, 4, dbUpdatableField},
};
const ZLIndexLayout kUdtIdIndexes[] = {
    {"MODEL_ID_INDEX", {"MODEL_ID", nullptr, nullptr}, true},
    {"UDT_ID_INDEX", {"UDT_ID", nullptr, nullptr}, true},
};

// clang-format off: one row per table reads better than wrapped rows.
const ZLTableLayout kFixedTables[ZLT_FIXED_TABLE_COUNT] = {
    {ZLT_MAIN, "MAIN", kMainFields, std::size(kMainFields), kMainIndexes, std::size(kMainIndexes),
     "MODEL_ID_INDEX", 0},
    {ZLT_NODE_NC, "NODE_NC", kNodeNcFields, std::size(kNodeNcFields), kNodeNcIndexes,
     std::size(kNodeNcIndexes), "MODEL_ID_INDEX", 0},
    {ZLT_PARAMSET, "PARAMSET", kParamsetFields, std::size(kParamsetFields), kParamsetIndexes,
     std::size(kParamsetIndexes), "PARAM_ID_INDEX", 15},
    {ZLT_PARAMVALUE, "PARAMVALUE", kParamvalueFields, std::size(kParamvalueFields),
     kParamvalueIndexes, std::size(kParamvalueIndexes), "NODE_ID_INDEX", 15},
    {ZLT_TOLERANCE, "TOLERANCE", kToleranceFields, std::size(kToleranceFields), kToleranceIndexes,
     std::size(kToleranceIndexes), "MODEL_ID_INDEX", 16},
    {ZLT_TOLERANCE_VALUE, "TOLERANCE_VALUE", kToleranceValueFields,
     std::size(kToleranceValueFields), kToleranceValueIndexes, std::size(kToleranceValueIndexes),
     "TOLERANCE_ID", 16},
    {ZLT_QUALITY, "QUALITY", kQualityFields, std::size(kQualityFields), kQualityIndexes,
     std::size(kQualityIndexes), "MODEL_ID_INDEX", 16},
    {ZLT_QUALITY_VALUE, "QUALITY_VALUE", kQualityValueFields, std::size(kQualityValueFields),
     kQualityValueIndexes, std::size(kQualityValueIndexes), "QUALITY_ID", 16},
    {ZLT_NODE_C, "NODE_C", kNodeCFields, std::size(kNodeCFields), kNodeCIndexes,
     std::size(kNodeCIndexes), "MODEL_ID_INDEX", 0},
    {ZLT_FILES, "FILES", kFilesFields, std::size(kFilesFields), kFilesIndexes,
     std::size(kFilesIndexes), "MODEL_ID_INDEX", 0},
    {ZLT_SIMTABINFO, "SIMTABINFO", kSimtabinfoFields, std::size(kSimtabinfoFields), nullptr, 0,
     nullptr, 0},
    {ZLT_RESINFO, "RESINFO", kResinfoFields, std::size(kResinfoFields), nullptr, 0, nullptr, 0},
    {ZLT_RESID, "RESID", kResidFields, std::size(kResidFields), nullptr, 0, nullptr, 0},
    {ZLT_DBINFO, "DBINFO", kDbinfoFields, std::size(kDbinfoFields), nullptr, 0, nullptr, 0},
    {ZLT_PACKAGE, "PACKAGE", kPackageFields, std::size(kPackageFields), kPackageIndexes,
     std::size(kPackageIndexes), "ID_INDEX", 8},
    {ZLT_ADDITIONAL_DATA_INFO, "ADDITIONAL_DATA_INFO", kAdditionalDataInfoFields,
     std::size(kAdditionalDataInfoFields), kAdditionalDataInfoIndexes,
     std::size(kAdditionalDataInfoIndexes), "DATA_NAME_INDEX", 10},
    {ZLT_ADDITIONAL_DATA, "ADDITIONAL_DATA", kAdditionalDataFields,
     std::size(kAdditionalDataFields), kAdditionalDataIndexes, std::size(kAdditionalDataIndexes),
     "MODEL_ID_INDEX", 10},
    {ZLT_UDT_ID, "UDT_ID", kUdtIdFields, std::size(kUdtIdFields), kUdtIdIndexes,
     std::size(kUdtIdIndexes), "MODEL_ID_INDEX", 13},
};
// clang-format on

// Tables added per language.  Text and memo fields of resource tables are
// variable; of the simulator tables only CALL_KEY and DEFNAME are.

const ZLFieldLayout kStringTabFields[] = {
    {"RES_ID", dbLong, 4, dbUpdatableField},
    {"TEXT", dbText, 255, dbVariableField | dbUpdatableField},
};
const ZLIndexLayout kStringTabIndexes[] = {
    {"RES_ID_INDEX", {"RES_ID", nullptr, nullptr}, false},
};

const ZLFieldLayout kKeywordFields[] = {
    {"KEYWORD_ID", dbLong, 4, dbAutoIncrField},
    {"KEYWORD", dbText, 100, dbVariableField | dbUpdatableField},
};
const ZLIndexLayout kKeywordIndexes[] = {
    {"KEYWORD_ID_INDEX", {"KEYWORD_ID", nullptr, nullptr}, true},
    {"KEYWORD_INDEX", {"KEYWORD", nullptr, nullptr}, false},
};

const ZLFieldLayout kKeywordIdFields[] = {
    {"MODEL_ID", dbLong, 4, dbUpdatableField},
    {"PARAM_ID", dbLong, 4, dbUpdatableField},
    {"KEYWORD_ID", dbLong, 4, dbUpdatableField},
};
const ZLIndexLayout kKeywordIdIndexes[] = {
    {"KEYWORD_ID_INDEX", {"KEYWORD_ID", nullptr, nullptr}, false},
    {"MODEL_ID_INDEX", {"MODEL_ID", "PARAM_ID", nullptr}, false},
};

const ZLFieldLayout kSymbolsFields[] = {
    {"MODEL_ID", dbLong, 4, dbUpdatableField},
    {"SYMBOL_TEXT", dbMemo, 0, dbVariableField | dbUpdatableField},
};
const ZLIndexLayout kSymbolsIndexes[] = {
    {"MODEL_ID_INDEX", {"MODEL_ID", nullptr, nullptr}, false},
};

const ZLFieldLayout kUnitFields[] = {
    {"NODE_ID", dbLong, 4, dbUpdatableField},
    {"NODE_TYPE", dbBoolean, 1, dbUpdatableField},
    {"UNIT", dbText, 255, dbVariableField | dbUpdatableField},
};
const ZLIndexLayout kUnitIndexes[] = {
    {"NODE_ID_INDEX", {"NODE_ID", "NODE_TYPE", nullptr}, false},
};

const ZLLanguageTableLayout kResourceTables[kResourceTableKinds] = {
    {0, "STRINGTAB_%08x", kStringTabFields, std::size(kStringTabFields), kStringTabIndexes,
     std::size(kStringTabIndexes), "RES_ID_INDEX"},
    {1, "KEYWORD_%08x", kKeywordFields, std::size(kKeywordFields), kKeywordIndexes,
     std::size(kKeywordIndexes), "KEYWORD_ID_INDEX"},
    {2, "KEYWORDID_%08x", kKeywordIdFields, std::size(kKeywordIdFields), kKeywordIdIndexes,
     std::size(kKeywordIdIndexes), "MODEL_ID_INDEX"},
    {3, "SYMBOLS_%08x", kSymbolsFields, std::size(kSymbolsFields), kSymbolsIndexes,
     std::size(kSymbolsIndexes), "MODEL_ID_INDEX"},
    {4, "UNIT_%08x", kUnitFields, std::size(kUnitFields), kUnitIndexes, std::size(kUnitIndexes),
     "NODE_ID_INDEX"},
};

const ZLFieldLayout kCallFields[] = {
    {"CALL_ID", dbLong, 4, dbAutoIncrField},
    {"MODEL_ID", dbLong, 4, dbUpdatableField},
    {"CALL_KEY", dbText, 30, dbVariableField | dbUpdatableField},
    {"CALL", dbMemo, 0, dbUpdatableField},
    {"LEVEL", dbLong, 4, dbUpdatableField},
};
const ZLIndexLayout kCallIndexes[] = {
    {"MODEL_ID_INDEX", {"MODEL_ID", nullptr, nullptr}, false},
    {"CALL_ID_INDEX", {"CALL_ID", nullptr, nullptr}, false},
};

const ZLFieldLayout kMacroFields[] = {
    {"MACRO_ID", dbLong, 4, dbAutoIncrField},
    {"MODEL_ID", dbLong, 4, dbUpdatableField},
    {"MACROTEXT", dbLongBinary, 0, dbUpdatableField},
    {"STATE", dbLong, 4, dbUpdatableField},
    {"LEVEL", dbLong, 4, dbUpdatableField},
    {"ENABLED", dbBoolean, 4, dbUpdatableField},
    {"FLEXOPTION", dbLongBinary, 0, dbUpdatableField},
    {"DESCRIPTION", dbLong, 4, dbUpdatableField},
    {"DEFNAME", dbText, 50, dbVariableField | dbUpdatableField},
    {"COMPILED", dbLongBinary, 0, dbUpdatableField},
    {"DEFAULT", dbBoolean, 4, dbUpdatableField},
};
const ZLIndexLayout kMacroIndexes[] = {
    {"MODEL_ID_INDEX", {"MODEL_ID", nullptr, nullptr}, false},
    {"MACRO_ID_INDEX", {"MACRO_ID", nullptr, nullptr}, false},
};

const ZLFieldLayout kAccessFields[] = {
    {"NODE_ID", dbLong, 4, dbUpdatableField},
    {"NODE_TYPE", dbBoolean, 1, dbUpdatableField},
    {"ACCESS", dbText, 255, dbUpdatableField},
    {"DEF_VALUE", dbText, 255, dbUpdatableField},
};
const ZLIndexLayout kAccessIndexes[] = {
    {"NODE_ID_INDEX", {"NODE_ID", "NODE_TYPE", nullptr}, false},
};

const ZLFieldLayout kSimPackageFields[] = {
    {"PACKAGE_OBJ_ID", dbLong, 4, dbAutoIncrField},
    {"PACKAGE_ID", dbLong, 4, dbUpdatableField},
    {"PACKAGE_TEXT", dbLongBinary, 0, dbUpdatableField},
    {"PACKAGE_BINARY", dbLongBinary, 0, dbUpdatableField},
    {"PACKAGE_BODY_TEXT", dbLongBinary, 0, dbUpdatableField},
    {"USE_BODY", dbBoolean, 4, dbUpdatableField},
    {"ENABLED", dbBoolean, 4, dbUpdatableField},
    {"PACKAGE_BODY_BINARY", dbLongBinary, 0, dbUpdatableField},
    {"STATE", dbLong, 4, dbUpdatableField},
};
const ZLIndexLayout kSimPackageIndexes[] = {
    {"PACKAGE_OBJ_INDEX", {"PACKAGE_OBJ_ID", nullptr, nullptr}, false},
    {"PACKAGE_ID_INDEX", {"PACKAGE_ID", nullptr, nullptr}, false},
};

const ZLLanguageTableLayout kSimulatorTables[kSimulatorTableKinds] = {
    {0, "CALL_%s", kCallFields, std::size(kCallFields), kCallIndexes, std::size(kCallIndexes),
     "MODEL_ID_INDEX"},
    {1, "MACRO_%s", kMacroFields, std::size(kMacroFields), kMacroIndexes, std::size(kMacroIndexes),
     "MODEL_ID_INDEX"},
    {2, "ACCESS_%s", kAccessFields, std::size(kAccessFields), kAccessIndexes,
     std::size(kAccessIndexes), "NODE_ID_INDEX"},
    {3, "PACKAGE_%s", kSimPackageFields, std::size(kSimPackageFields), kSimPackageIndexes,
     std::size(kSimPackageIndexes), "PACKAGE_ID_INDEX"},
};

}  // namespace

int ZLIndexLayout::FieldCount() const {
  int count = 0;
  while (count < 3 && fields[count] != nullptr) ++count;
  return count;
}

const ZLTableLayout& FixedTableLayout(ZLFixedTable table) { return kFixedTables[table]; }

const ZLLanguageTableLayout& ResourceTableLayout(int kind) { return kResourceTables[kind]; }

const ZLLanguageTableLayout& SimulatorTableLayout(int kind) { return kSimulatorTables[kind]; }

bool FixedTableExists(ZLFixedTable table, int databaseVersion) {
  return databaseVersion >= kFixedTables[table].sinceVersion;
}

int IsTableNameAllowed(const char* name) {
  // The empty name occurs in every pattern, so it is refused with them.
  if (name == nullptr) return 0;
  for (const ZLTableLayout& table : kFixedTables) {
    if (std::strcmp(table.name, name) == 0) return 0;
  }
  for (const ZLLanguageTableLayout& table : kResourceTables) {
    if (std::strstr(table.nameFormat, name) != nullptr) return 0;
  }
  for (const ZLLanguageTableLayout& table : kSimulatorTables) {
    if (std::strstr(table.nameFormat, name) != nullptr) return 0;
  }
  return 1;
}

const char kDatabaseConnect[] = ";PWD=Tq8wLmZr3VbXe";
const char kCreateConnect[] = ";LANGID=0x0409;CP=1252;COUNTRY=0;PWD=Tq8wLmZr3VbXe";

}  // namespace zl
