#include "resources/language_texts.h"

#include "content/row_patterns.h"
#include "resources/resource_tables.h"
#include "schema/zl_recordset.h"

namespace zl {

CZLRecordset* FindResourceTable(ZLHandleRecord& record, int kind, WORD language) {
  CZLRecordset* table = nullptr;
  FindResourceTable(record, kind, language, table);
  return table;
}

int ReadLanguageTexts(ZLHandleRecord& record, const COleVariant& resourceID,
                      ZLLanguageTextMap& texts) {
  if (resourceID.vt == VT_NULL || resourceID.vt == VT_EMPTY) return ZLE_OK;
  return ForEachResourceTable(record, ZLR_STRINGTAB, [&](WORD language, CZLRecordset&) {
    COleVariant text;
    if (GetResourceText(record, resourceID, language, text) == ZLE_OK) {
      texts[language] = text.GetStringValue();
    }
    return ZLE_OK;
  });
}

int CheckTextLanguages(ZLHandleRecord& record, int kind, const ZLLanguageTextMap& texts,
                       int missing) {
  POSITION pos = texts.GetStartPosition();
  while (pos != nullptr) {
    WORD language = 0;
    CString text;
    texts.GetNextAssoc(pos, language, text);
    CZLRecordset* table = nullptr;
    const int found = FindResourceTable(record, kind, language, table);
    if (found != ZLE_OK) return found == ZLE_NO_LANGUAGE ? missing : found;
  }
  return ZLE_OK;
}

int WriteLanguageTexts(ZLHandleRecord& record, const COleVariant& resourceID,
                       const ZLLanguageTextMap& texts) {
  return ForEachResourceTable(
      record, ZLR_STRINGTAB, [&](WORD language, CZLRecordset& strings) -> int {
        CString text;
        if (texts.Lookup(language, text)) {
          return SetResourceText(record, resourceID, language, COleVariant(text));
        }
        DeleteRowByKey(strings, {resourceID});
        return ZLE_OK;
      });
}

}  // namespace zl
