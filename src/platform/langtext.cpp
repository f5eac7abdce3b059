#include "zldbctrl70/platform/langtext.h"

WORD KWGetLangDependentString(const CMap<WORD, WORD, CString, LPCSTR>& map, WORD wLangID,
                              CString& strText) {
  // Lookup leaves its output alone on a miss, so the text is cleared first.
  CString text;
  const BOOL bFound = map.Lookup(wLangID, text);
  strText = text;
  return bFound ? 1 : 0;
}

WORD KWSetLangDependentString(CMap<WORD, WORD, CString, LPCSTR>& map, WORD wLangID,
                              const CString& strText) {
  const int nBefore = map.GetCount();
  map.SetAt(wLangID, strText);
  return map.GetCount() > nBefore ? 1 : 0;
}
