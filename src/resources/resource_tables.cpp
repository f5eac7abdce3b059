#include "resources/resource_tables.h"

#include "frame/language_maps.h"
#include "frame/registry_refresh.h"
#include "schema/language_tables.h"
#include "schema/layout.h"
#include "schema/zl_recordset.h"
#include "zldbctrl70/errors.h"

namespace zl {

int FindResourceTable(ZLHandleRecord& record, int kind, WORD language, CZLRecordset*& table) {
  ZLOpenTables<WORD, WORD>& tables = record.languages->resource[kind];
  table = tables.FindRecordset(language);
  if (table != nullptr) return ZLE_OK;
  const int code = RefreshResourceTables(record);
  if (code != ZLE_OK) return code;
  table = tables.FindRecordset(language);
  return table != nullptr ? ZLE_OK : ZLE_NO_LANGUAGE;
}

int FindStringTable(ZLHandleRecord& record, WORD language, CZLRecordset*& table) {
  return FindResourceTable(record, ZLR_STRINGTAB, language, table);
}

int GetResourceText(ZLHandleRecord& record, const COleVariant& resourceID, WORD language,
                    COleVariant& text) {
  CZLRecordset* strings = nullptr;
  const int found = FindStringTable(record, language, strings);
  if (found != ZLE_OK) return found;
  COleVariant key = resourceID;
  if (!strings->Seek("=", &key)) return ZLE_NO_RESOURCE_TEXT;
  text = strings->GetFieldValue("TEXT");
  return text.vt == VT_NULL ? ZLE_NO_RESOURCE_TEXT : ZLE_OK;
}

int SetResourceText(ZLHandleRecord& record, const COleVariant& resourceID, WORD language,
                    const COleVariant& text) {
  CZLRecordset* strings = nullptr;
  const int found = FindStringTable(record, language, strings);
  if (found != ZLE_OK) return found;
  COleVariant key = resourceID;
  if (strings->Seek("=", &key)) {
    strings->Edit();
  } else {
    strings->AddNew();
    strings->SetFieldValue("RES_ID", resourceID);
  }
  try {
    strings->SetFieldValue("TEXT", text);
    strings->Update();
  } catch (...) {
    if (strings->GetEditMode() != dbEditNone) strings->CancelUpdate();
    throw;
  }
  return ZLE_OK;
}

COleVariant NewResourceID(ZLHandleRecord& record) {
  CZLRecordset& counter = *record.recordsets[ZLT_RESID];
  counter.AddNew();
  try {
    counter.Update();
  } catch (...) {
    counter.CancelUpdate();
    throw;
  }
  counter.SetBookmark(counter.GetLastModifiedBookmark());
  return counter.GetFieldValue("RES_ID");
}

}  // namespace zl
