#include "simlang/simtable_registry.h"

#include "engine/dao_errors.h"
#include "frame/dbinfo.h"
#include "frame/guard.h"
#include "frame/language_maps.h"
#include "frame/registry_refresh.h"
#include "frame/transaction.h"
#include "schema/language_tables.h"
#include "schema/layout.h"
#include "zldbctrl70/simlang.h"

namespace zl {

int FindSimulatorTable(ZLHandleRecord& record, int kind, const char* language,
                       CZLRecordset*& table) {
  ZLOpenTables<CString, LPCSTR>& tables = record.languages->simulator[kind];
  table = tables.FindRecordset(language);
  if (table != nullptr) return ZLE_OK;
  const int code = RefreshSimulatorTables(record);
  if (code != ZLE_OK) return code;
  table = tables.FindRecordset(language);
  return table != nullptr ? ZLE_OK : ZLE_NO_SIMTABLE_KIND;
}

CZLRecordset* FindSimulatorTable(ZLHandleRecord& record, int kind, const char* language) {
  CZLRecordset* table = nullptr;
  FindSimulatorTable(record, kind, language, table);
  return table;
}

ZLOutcome AddSimulatorTable(ZLHandleRecord& record, int kind, const char* language, int exclusive) {
  // Without a name the table would be the bare prefix ("CALL_"), a table no
  // language can name apart from the others.
  if (language == nullptr || *language == '\0') return ZLOutcome::Fail(ZLE_IN_USE_OR_EXISTS);
  const int code = RefreshSimulatorTables(record);
  if (code != ZLE_OK) return ZLOutcome::Fail(code);
  ZLOpenTables<CString, LPCSTR>& tables = record.languages->simulator[kind];
  CZLTableDef* existing = nullptr;
  if (tables.tableDefs.Lookup(language, existing)) return ZLOutcome::Fail(ZLE_SIMTABLE_EXISTS);
  const bool keepsFlag = kind == ZLS_CALL || kind == ZLS_MACRO;
  CZLRecordset& registry = *record.recordsets[ZLT_SIMTABINFO];
  try {
    CTransaction transaction;
    const ZLLanguageTableLayout& layout = SimulatorTableLayout(kind);
    CLanguageTable table =
        CreateLanguageTable(*record.database, layout, FormatSimulatorTableName(layout, language));
    registry.AddNew();
    registry.SetFieldValue("SIM_ID", COleVariant(language));
    registry.SetFieldValue("TABNAME", COleVariant(table.tableDef->GetName()));
    registry.SetFieldValue("TABTYPE", COleVariant(static_cast<BYTE>(kind)));
    registry.SetFieldValue(
        "EXCLUSIVE",
        COleVariant(int16_t{!keepsFlag || exclusive != 0 ? int16_t{-1} : int16_t{0}}, VT_BOOL));
    registry.Update();
    // The stamp goes in the same transaction: a failure to write it is a
    // failure of the add (1), not a half-done add.
    if (kind == ZLS_PACKAGE) StampPackageChange(record);
    transaction.Commit();
    tables.tableDefs[language] = table.tableDef.release();
    tables.recordsets[language] = table.recordset.release();
  } catch (...) {
    if (registry.GetEditMode() != dbEditNone) registry.CancelUpdate();
    return ZLOutcome::Fail(CodeForCurrentException(ZLE_IN_USE_OR_EXISTS));
  }
  if (keepsFlag) record.languages->exclusive[kind][language] = exclusive;
  return ZLOutcome::Ok();
}

namespace {

// Table and registry row go in one transaction.  On a failure the
// transaction is rolled back and the handle forgets its objects for the
// language; the next refresh opens them again from the registry.
ZLOutcome RemoveTable(ZLHandleRecord& record, int kind, const char* language) {
  if (language == nullptr) language = "";
  const int code = RefreshSimulatorTables(record);
  if (code != ZLE_OK) return ZLOutcome::Fail(code);
  ZLOpenTables<CString, LPCSTR>& tables = record.languages->simulator[kind];
  CZLTableDef* tableDef = nullptr;
  if (!tables.tableDefs.Lookup(language, tableDef)) return ZLOutcome::Fail(ZLE_NO_LANGUAGE);
  CZLRecordset* recordset = tables.FindRecordset(language);
  auto forget = [&]() {
    delete recordset;
    tables.recordsets.RemoveKey(language);
    delete tableDef;
    tables.tableDefs.RemoveKey(language);
    if (kind == ZLS_CALL || kind == ZLS_MACRO)
      record.languages->exclusive[kind].RemoveKey(language);
  };
  try {
    CTransaction transaction;
    DropLanguageTable(*record.database, tableDef, recordset);
    CZLRecordset& registry = *record.recordsets[ZLT_SIMTABINFO];
    if (registry.GetRecordCount() > 0) {
      for (registry.MoveFirst(); !registry.IsEOF(); registry.MoveNext()) {
        const COleVariant simID = registry.GetFieldValue("SIM_ID");
        if (registry.GetFieldValue("TABTYPE").bVal == kind && simID.vt == VT_BSTR &&
            CString(V_BSTRT(&simID)) == language) {
          registry.Delete();
          break;
        }
      }
    }
    if (kind == ZLS_PACKAGE) StampPackageChange(record);
    transaction.Commit();
  } catch (...) {
    const int failure = CodeForCurrentException(ZLE_IN_USE_OR_EXISTS);
    forget();
    record.simulatorRegistryStamp = 0;
    return ZLOutcome::Fail(failure);
  }
  forget();
  return ZLOutcome::Ok();
}

ZLOutcome IsExclusive(ZLHandleRecord& record, int kind, const char* language, int& exclusive) {
  if (language == nullptr) language = "";
  BOOL flag = FALSE;
  if (!record.languages->exclusive[kind].Lookup(language, flag)) {
    const int code = RefreshSimulatorTables(record);
    if (code != ZLE_OK) return ZLOutcome::Fail(code);
    if (!record.languages->exclusive[kind].Lookup(language, flag)) {
      return ZLOutcome::Fail(ZLE_NO_SIMTABLE_KIND);
    }
  }
  exclusive = flag;
  return ZLOutcome::Ok();
}

ZLOutcome ListLanguages(ZLHandleRecord& record, int kind, CStringArray& languages) {
  const int code = RefreshSimulatorTables(record);
  if (code != ZLE_OK) return ZLOutcome::Fail(code);
  const auto& recordsets = record.languages->simulator[kind].recordsets;
  for (POSITION pos = recordsets.GetStartPosition(); pos != nullptr;) {
    CString language;
    CZLRecordset* recordset = nullptr;
    recordsets.GetNextAssoc(pos, language, recordset);
    languages.Add(language);
  }
  return ZLOutcome::Ok();
}

}  // namespace
}  // namespace zl

using namespace zl;

// The exported family: one line each over the shared routines above.
int ZLAddCallTable(void* hDB, const char* lang, int bExclusive) {
  return RunGuarded(
      hDB, [&](ZLHandleRecord& r) { return AddSimulatorTable(r, ZLS_CALL, lang, bExclusive); },
      ZLE_IN_USE_OR_EXISTS);
}
int ZLAddMacroTable(void* hDB, const char* lang, int bExclusive) {
  return RunGuarded(
      hDB, [&](ZLHandleRecord& r) { return AddSimulatorTable(r, ZLS_MACRO, lang, bExclusive); },
      ZLE_IN_USE_OR_EXISTS);
}
int ZLAddAccessTable(void* hDB, const char* lang) {
  return RunGuarded(
      hDB, [&](ZLHandleRecord& r) { return AddSimulatorTable(r, ZLS_ACCESS, lang, 1); },
      ZLE_IN_USE_OR_EXISTS);
}
int ZLAddPackageTable(void* hDB, const char* lang) {
  return RunGuarded(
      hDB, [&](ZLHandleRecord& r) { return AddSimulatorTable(r, ZLS_PACKAGE, lang, 1); },
      ZLE_IN_USE_OR_EXISTS);
}
int ZLRemoveCallTable(void* hDB, const char* lang) {
  return RunGuarded(
      hDB, [&](ZLHandleRecord& r) { return RemoveTable(r, ZLS_CALL, lang); }, ZLE_IN_USE_OR_EXISTS);
}
int ZLRemoveMacroTable(void* hDB, const char* lang) {
  return RunGuarded(
      hDB, [&](ZLHandleRecord& r) { return RemoveTable(r, ZLS_MACRO, lang); },
      ZLE_IN_USE_OR_EXISTS);
}
int ZLRemoveAccessTable(void* hDB, const char* lang) {
  return RunGuarded(
      hDB, [&](ZLHandleRecord& r) { return RemoveTable(r, ZLS_ACCESS, lang); },
      ZLE_IN_USE_OR_EXISTS);
}
int ZLRemovePackageTable(void* hDB, const char* lang) {
  return RunGuarded(
      hDB, [&](ZLHandleRecord& r) { return RemoveTable(r, ZLS_PACKAGE, lang); },
      ZLE_IN_USE_OR_EXISTS);
}
int ZLIsExclusiveCallTable(void* hDB, const char* lang, int& bExclusive) {
  return RunGuardedRead(
      hDB, [&](ZLHandleRecord& r) { return IsExclusive(r, ZLS_CALL, lang, bExclusive); });
}
int ZLIsExclusiveMacroTable(void* hDB, const char* lang, int& bExclusive) {
  return RunGuardedRead(
      hDB, [&](ZLHandleRecord& r) { return IsExclusive(r, ZLS_MACRO, lang, bExclusive); });
}
int ZLGetAvailableCallSimLanguages(void* hDB, CStringArray& languages) {
  return RunGuardedRead(hDB,
                        [&](ZLHandleRecord& r) { return ListLanguages(r, ZLS_CALL, languages); });
}
int ZLGetAvailableMacroSimLanguages(void* hDB, CStringArray& languages) {
  return RunGuardedRead(hDB,
                        [&](ZLHandleRecord& r) { return ListLanguages(r, ZLS_MACRO, languages); });
}
int ZLGetAvailableAccessSimLanguages(void* hDB, CStringArray& languages) {
  return RunGuardedRead(hDB,
                        [&](ZLHandleRecord& r) { return ListLanguages(r, ZLS_ACCESS, languages); });
}
int ZLGetAvailablePackageSimLanguages(void* hDB, CStringArray& languages) {
  return RunGuardedRead(
      hDB, [&](ZLHandleRecord& r) { return ListLanguages(r, ZLS_PACKAGE, languages); });
}
