// Adding, removing and listing resource languages, and exporting and
// importing all texts of one language.
#include <vector>

#include "engine/dao_errors.h"
#include "frame/caller_numbers.h"
#include "frame/guard.h"
#include "frame/language_maps.h"
#include "frame/transaction.h"
#include "resources/resource_tables.h"
#include "schema/language_tables.h"
#include "schema/layout.h"
#include "zldbctrl70/resources.h"

namespace zl {
namespace {

// A language's tables are created and removed in four steps; the keyword
// table and its link table form one step.
struct CResourceStep {
  int kinds[2];
  int count;
};
const CResourceStep kResourceSteps[] = {
    {{ZLR_STRINGTAB, 0}, 1},
    {{ZLR_SYMBOLS, 0}, 1},
    {{ZLR_KEYWORD, ZLR_KEYWORDID}, 2},
    {{ZLR_UNIT, 0}, 1},
};
constexpr int kStepCount = 4;

// Creates the step's tables and registry rows in one transaction: either all
// of them exist afterwards or none.
int AddStep(ZLHandleRecord& record, WORD language, const CResourceStep& step) {
  int code = RefreshResourceTables(record);
  if (code != ZLE_OK) return code;
  for (int i = 0; i < step.count; ++i) {
    CZLTableDef* existing = nullptr;
    if (record.languages->resource[step.kinds[i]].tableDefs.Lookup(language, existing)) {
      return ZLE_LANGUAGE_EXISTS;
    }
  }
  try {
    CTransaction transaction;
    std::vector<CLanguageTable> created;
    CZLRecordset& registry = *record.recordsets[ZLT_RESINFO];
    for (int i = 0; i < step.count; ++i) {
      const ZLLanguageTableLayout& layout = ResourceTableLayout(step.kinds[i]);
      created.push_back(
          CreateLanguageTable(*record.database, layout, FormatResourceTableName(layout, language)));
      registry.AddNew();
      registry.SetFieldValue("LANGID", COleVariant(static_cast<int32_t>(language)));
      registry.SetFieldValue("TABNAME", COleVariant(created.back().tableDef->GetName()));
      registry.SetFieldValue("TABTYPE", COleVariant(static_cast<BYTE>(step.kinds[i])));
      registry.Update();
    }
    transaction.Commit();
    for (int i = 0; i < step.count; ++i) {
      ZLOpenTables<WORD, WORD>& tables = record.languages->resource[step.kinds[i]];
      tables.tableDefs[language] = created[i].tableDef.release();
      tables.recordsets[language] = created[i].recordset.release();
    }
    return ZLE_OK;
  } catch (...) {
    CZLRecordset& registry = *record.recordsets[ZLT_RESINFO];
    if (registry.GetEditMode() != dbEditNone) registry.CancelUpdate();
    return CodeForCurrentException(ZLE_IN_USE_OR_EXISTS);
  }
}

// Deletes the step's tables and registry rows in one transaction.  On a
// failure everything is rolled back and the handle forgets the step's open
// objects; the next refresh opens them again from the registry.
int RemoveStep(ZLHandleRecord& record, WORD language, const CResourceStep& step) {
  int code = RefreshResourceTables(record);
  if (code != ZLE_OK) return code;
  CZLTableDef* tableDefs[2] = {nullptr, nullptr};
  for (int i = 0; i < step.count; ++i) {
    if (!record.languages->resource[step.kinds[i]].tableDefs.Lookup(language, tableDefs[i])) {
      return ZLE_NO_LANGUAGE;
    }
  }
  auto forget = [&]() {
    for (int i = 0; i < step.count; ++i) {
      ZLOpenTables<WORD, WORD>& tables = record.languages->resource[step.kinds[i]];
      delete tables.FindRecordset(language);
      tables.recordsets.RemoveKey(language);
      delete tableDefs[i];
      tables.tableDefs.RemoveKey(language);
    }
  };
  try {
    CTransaction transaction;
    for (int i = 0; i < step.count; ++i) {
      DropLanguageTable(*record.database, tableDefs[i],
                        record.languages->resource[step.kinds[i]].FindRecordset(language));
    }
    CZLRecordset& registry = *record.recordsets[ZLT_RESINFO];
    if (registry.GetRecordCount() > 0) {
      for (registry.MoveFirst(); !registry.IsEOF(); registry.MoveNext()) {
        const int kind = registry.GetFieldValue("TABTYPE").bVal;
        const COleVariant langID = registry.GetFieldValue("LANGID");
        if (langID.vt == VT_NULL || static_cast<WORD>(langID.lVal) != language) continue;
        bool inStep = false;
        for (int i = 0; i < step.count; ++i) inStep = inStep || kind == step.kinds[i];
        if (!inStep) continue;
        registry.Delete();
        // A single table has one registry row; the keyword step removes
        // every row of both its kinds.
        if (step.count == 1) break;
      }
    }
    transaction.Commit();
    forget();
    return ZLE_OK;
  } catch (...) {
    const int failure = CodeForCurrentException(ZLE_IN_USE_OR_EXISTS);
    forget();
    record.resourceRegistryStamp = 0;
    return failure;
  }
}

bool Contains(const CArray<WORD, WORD>& languages, WORD language) {
  for (int i = languages.GetSize(); i-- > 0;) {
    if (languages[i] == language) return true;
  }
  return false;
}

// Appends the text of the resource ID held in field of the row on which
// rows stands, when the language's string table has a non-NULL text for it.
void CollectText(CZLRecordset& strings, CZLRecordset& rows, const char* field, WORD language,
                 long recordID, long subID, const char* column,
                 CTypedPtrArray<CObArray, CZLResourceStringObject*>& out) {
  COleVariant resourceID = rows.GetFieldValue(field);
  if (resourceID.vt == VT_NULL || !strings.Seek("=", &resourceID)) return;
  const COleVariant text = strings.GetFieldValue("TEXT");
  if (text.vt == VT_NULL) return;
  auto* object = new CZLResourceStringObject;
  object->m_strText = V_BSTRT(&text);
  object->m_wLanguage = language;
  object->m_lResID = resourceID.lVal;
  object->m_lRecordID = recordID;
  object->m_lSubID = subID;
  object->m_strColumnName = column;
  out.Add(object);
}

// Walks the rows of one record in a sub-table whose current index starts
// with MODEL_ID, collecting the texts of the named fields.
void CollectSubTable(CZLRecordset& strings, CZLRecordset& rows, const char* idField,
                     const char* const* fields, const char* const* columns, int fieldCount,
                     WORD language, long recordID,
                     CTypedPtrArray<CObArray, CZLResourceStringObject*>& out) {
  COleVariant key(static_cast<int32_t>(recordID));
  if (!rows.Seek("=", &key)) return;
  do {
    const long subID = rows.GetFieldValue(idField).lVal;
    for (int i = 0; i < fieldCount; ++i) {
      CollectText(strings, rows, fields[i], language, recordID, subID, columns[i], out);
    }
  } while (rows.SeekNext("MODEL_ID", &key));
}

void EmptyStrings(CTypedPtrArray<CObArray, CZLResourceStringObject*>& strings) {
  for (int i = strings.GetSize(); i-- > 0;) delete strings[i];
  strings.SetSize(0);
}

}  // namespace

int AddResourceLanguage(ZLHandleRecord& record, WORD language) {
  bool createdStringTable = false;
  int code = ZLE_OK;
  for (int step = 0; step < kStepCount; ++step) {
    code = AddStep(record, language, kResourceSteps[step]);
    if (code == ZLE_OK && step == 0) createdStringTable = true;
    if (code == ZLE_OK || code == ZLE_LANGUAGE_EXISTS) continue;
    // Take back what this call created, so that a language never stands
    // half-built; a language that existed before is left alone.
    if (createdStringTable) {
      for (int undo = 0; undo < step; ++undo) RemoveStep(record, language, kResourceSteps[undo]);
    }
    return code;
  }
  return code;
}

}  // namespace zl

using namespace zl;

int ZLAddResourceTable(void* hDB, WORD wLanguage) {
  return RunGuarded(
      hDB,
      [&](ZLHandleRecord& record) {
        const int code = AddResourceLanguage(record, wLanguage);
        return code == ZLE_OK || code == ZLE_LANGUAGE_EXISTS ? ZLOutcome::OkWithCode(code)
                                                             : ZLOutcome::Fail(code);
      },
      ZLE_IN_USE_OR_EXISTS);
}

int ZLRemoveResourceTable(void* hDB, WORD wLanguage) {
  return RunGuarded(
      hDB,
      [&](ZLHandleRecord& record) {
        for (const CResourceStep& step : kResourceSteps) {
          const int code = RemoveStep(record, wLanguage, step);
          if (code != ZLE_OK) return ZLOutcome::Fail(code);
        }
        return ZLOutcome::Ok();
      },
      ZLE_IN_USE_OR_EXISTS);
}

namespace zl {

int AvailableResourceLanguages(ZLHandleRecord& record, CArray<WORD, WORD>& languages) {
  const int code = RefreshResourceTables(record);
  if (code != ZLE_OK) return code;
  const int order[] = {ZLR_STRINGTAB, ZLR_SYMBOLS, ZLR_KEYWORD, ZLR_UNIT};
  for (int kind : order) {
    const auto& tableDefs = record.languages->resource[kind].tableDefs;
    for (POSITION pos = tableDefs.GetStartPosition(); pos != nullptr;) {
      WORD language = 0;
      CZLTableDef* tableDef = nullptr;
      tableDefs.GetNextAssoc(pos, language, tableDef);
      if (kind == ZLR_STRINGTAB || !Contains(languages, language)) languages.Add(language);
    }
  }
  return ZLE_OK;
}

}  // namespace zl

int ZLGetAvailableResourceLanguages(void* hDB, CArray<WORD, WORD>& languages) {
  return RunGuardedRead(hDB, [&](ZLHandleRecord& record) {
    return ZLOutcome::FromCode(AvailableResourceLanguages(record, languages));
  });
}

int ZLGetDBResourceStrings(void* hDB, WORD wLanguage,
                           CTypedPtrArray<CObArray, CZLResourceStringObject*>& strings,
                           int bIncludeState800, int bIncludeState400) {
  return RunGuardedRead(hDB, [&](ZLHandleRecord& record) {
    const int code = RefreshResourceTables(record);
    if (code != ZLE_OK) return ZLOutcome::Fail(code);
    CZLRecordset* stringTable = nullptr;
    const int found = FindStringTable(record, wLanguage, stringTable);
    if (found != ZLE_OK) return ZLOutcome::Fail(found);
    EmptyStrings(strings);
    try {
      CZLRecordset& main = *record.recordsets[ZLT_MAIN];
      if (main.GetRecordCount() == 0) return ZLOutcome::Ok();
      static const char* const kTitleInfo[] = {"TITLE", "INFO"};
      static const char* const kNodeInfo[] = {"INFO"};
      static const char* const kNodeColumn[] = {"NODE_ID"};
      for (main.MoveFirst(); !main.IsEOF(); main.MoveNext()) {
        const COleVariant stateValue = main.GetFieldValue("STATE");
        const uint32_t state =
            stateValue.vt == VT_NULL ? 0 : static_cast<uint32_t>(stateValue.lVal);
        if ((state & 0x800) != 0 && !bIncludeState800) continue;
        if ((state & 0x400) != 0 && !bIncludeState400) continue;
        const long recordID = main.GetFieldValue("MODEL_ID").lVal;
        for (const char* field : kTitleInfo) {
          CollectText(*stringTable, main, field, wLanguage, recordID, 0, field, strings);
        }
        if (CZLRecordset* paramsets = record.recordsets[ZLT_PARAMSET]) {
          CIndexSwitch byRecord(*paramsets, "MODEL_ID_INDEX");
          CollectSubTable(*stringTable, *paramsets, "PARAM_ID", kTitleInfo, kTitleInfo, 2,
                          wLanguage, recordID, strings);
        }
        for (ZLFixedTable nodes : {ZLT_NODE_C, ZLT_NODE_NC}) {
          CollectSubTable(*stringTable, *record.recordsets[nodes], "NODE_ID", kNodeInfo,
                          kNodeColumn, 1, wLanguage, recordID, strings);
        }
      }
    } catch (...) {
      // Hand back all or nothing.
      EmptyStrings(strings);
      throw;
    }
    return ZLOutcome::Ok();
  });
}

int ZLSetDBResourceStrings(void* hDB, WORD wLanguage,
                           const CTypedPtrArray<CObArray, CZLResourceStringObject*>& strings) {
  return RunGuarded(hDB, [&](ZLHandleRecord& record) {
    const int code = RefreshResourceTables(record);
    if (code != ZLE_OK) return ZLOutcome::Fail(code);
    CZLRecordset* stringTable = nullptr;
    const int found = FindStringTable(record, wLanguage, stringTable);
    if (found != ZLE_OK) return ZLOutcome::Fail(found);
    // Every resource ID is checked before the first text is written, so a
    // list with an ID no 32-bit key can hold changes nothing.
    std::vector<COleVariant> keys(static_cast<size_t>(strings.GetSize()));
    for (int i = 0; i < strings.GetSize(); ++i) {
      if (strings[i] == nullptr) continue;
      const int range = StoredNumber(strings[i]->m_lResID, keys[static_cast<size_t>(i)]);
      if (range != ZLE_OK) return ZLOutcome::Fail(range);
    }
    for (int i = 0; i < strings.GetSize(); ++i) {
      const CZLResourceStringObject* object = strings[i];
      if (object == nullptr) continue;
      const int written = SetResourceText(record, keys[static_cast<size_t>(i)], wLanguage,
                                          COleVariant(object->m_strText));
      if (written != ZLE_OK) return ZLOutcome::Fail(written);
    }
    return ZLOutcome::Ok();
  });
}
