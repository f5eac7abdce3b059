// Language text maps: one text per language ID (CMap<WORD,WORD,CString,LPCSTR>).
// These two helpers read and write one language's entry.
#ifndef ZLDBCTRL70_PLATFORM_LANGTEXT_H_
#define ZLDBCTRL70_PLATFORM_LANGTEXT_H_

#include "zldbctrl70/export.h"
#include "zldbctrl70/platform/coll_map.h"
#include "zldbctrl70/platform/cstring.h"
#include "zldbctrl70/platform/types.h"

// Copies the text of language wLangID into strText.  A language the map does
// not hold gives the empty string; no other language stands in for it.
// Returns 1 when the map holds the language, 0 when it does not.
ZL_EXPORT WORD KWGetLangDependentString(const CMap<WORD, WORD, CString, LPCSTR>& map, WORD wLangID,
                                        CString& strText);

// Stores strText as the text of language wLangID, replacing any text it had
// (an empty text is stored as such, not removed).  Returns 1 when the
// language was added, 0 when its text was replaced.  Throws
// CMemoryException when memory is exhausted, leaving the map as it was.
ZL_EXPORT WORD KWSetLangDependentString(CMap<WORD, WORD, CString, LPCSTR>& map, WORD wLangID,
                                        const CString& strText);

#endif  // ZLDBCTRL70_PLATFORM_LANGTEXT_H_
