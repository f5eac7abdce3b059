// The texts of one resource ID in every resource language, kept in a
// language text map (language ID to text), and a walk over the open
// per-language tables of one kind.  Used by every family of rows that owns
// a described resource ID (macro descriptions, node info texts).
//
// Each routine works on a locked handle record and returns a last-error
// code; engine exceptions propagate to the operation's guard.
#ifndef ZLDBCTRL70_RESOURCES_LANGUAGE_TEXTS_H_
#define ZLDBCTRL70_RESOURCES_LANGUAGE_TEXTS_H_

#include "frame/handle_record.h"
#include "frame/language_maps.h"
#include "frame/registry_refresh.h"
#include "zldbctrl70/errors.h"
#include "zldbctrl70/platform/coll_map.h"
#include "zldbctrl70/platform/variant.h"

class CZLRecordset;

namespace zl {

typedef CMap<WORD, WORD, CString, LPCSTR> ZLLanguageTextMap;

// Calls visit(language, rs) for every open table of kind (ZLResourceKind),
// after a registry refresh; a non-zero result of visit ends the walk and is
// returned.
template <class Visit>
int ForEachResourceTable(ZLHandleRecord& record, int kind, Visit&& visit) {
  const int code = RefreshResourceTables(record);
  if (code != ZLE_OK) return code;
  auto& tables = record.languages->resource[kind].recordsets;
  POSITION pos = tables.GetStartPosition();
  while (pos != nullptr) {
    WORD language = 0;
    CZLRecordset* rs = nullptr;
    tables.GetNextAssoc(pos, language, rs);
    const int visited = visit(language, *rs);
    if (visited != ZLE_OK) return visited;
  }
  return ZLE_OK;
}

// The open recordset of kind for a language, refreshing once when the
// handle does not know it; null when the language has none or the registry
// could not be read (routines that report a code use the form with a code
// in resources/resource_tables.h, which tells the two apart).
CZLRecordset* FindResourceTable(ZLHandleRecord& record, int kind, WORD language);

// Enters the text of resourceID in every language that has one into texts.
// A NULL resource ID reads nothing.
int ReadLanguageTexts(ZLHandleRecord& record, const COleVariant& resourceID,
                      ZLLanguageTextMap& texts);

// 0, or missing (20, 21...) when a language of texts has no table of kind
// (or the code of a failed registry refresh).
int CheckTextLanguages(ZLHandleRecord& record, int kind, const ZLLanguageTextMap& texts,
                       int missing);

// Stores the text of every language of texts under resourceID and deletes
// the text of every other language.  The languages must have been checked.
int WriteLanguageTexts(ZLHandleRecord& record, const COleVariant& resourceID,
                       const ZLLanguageTextMap& texts);

}  // namespace zl

#endif  // ZLDBCTRL70_RESOURCES_LANGUAGE_TEXTS_H_
