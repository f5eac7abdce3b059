// Keywords and symbols of a model, per user-interface language.
//
// Keywords: one row per distinct text in the language's keyword table,
// shared by every record that uses it, and one link row per record,
// parameter set and keyword.  Parameter set 0 holds the record's own
// keywords; a parameter set's list is the record's own keywords followed
// by those the set adds.  Symbols: at most one text per record and
// language.
//
// Every record operation comes in a ByID form (record ID) and a ByBookmark
// form (the record's bookmark; 8 when it cannot be set).  Common codes: 7
// bad handle, 20 language without the needed table, 9 engine failure, 6
// memory exhausted.
#ifndef ZLDBCTRL70_KEYWORDS_H_
#define ZLDBCTRL70_KEYWORDS_H_

#include "zldbctrl70/export.h"
#include "zldbctrl70/value_objects.h"

// The keywords of one language (the array is emptied first) or of every
// language that has keyword tables (the map is emptied first and gets one
// array per language; on failure it is left empty).  The ByID forms read an
// ID that no record has as a record without keywords.
ZL_EXPORT int ZLGetKeywordsByID(void* hDB, long lID, WORD wLanguage, CZLKeywordArray& keywords,
                                long lParamSetID);
ZL_EXPORT int ZLGetKeywordsByBookmark(void* hDB, const COleVariant& bookmark, WORD wLanguage,
                                      CZLKeywordArray& keywords, long lParamSetID);
ZL_EXPORT int ZLGetKeywordsByID(void* hDB, long lID, CZLKeywordMap& keywords, long lParamSetID);
ZL_EXPORT int ZLGetKeywordsByBookmark(void* hDB, const COleVariant& bookmark,
                                      CZLKeywordMap& keywords, long lParamSetID);

// Replaces the keywords of one language (or of every language of the map,
// all in one transaction).  Texts are matched byte for byte: an existing
// keyword row is reused, a new text gets a row; the objects' keyword IDs
// are not read.  For a parameter set other than 0, keywords that the
// record has itself are not stored again.  Keyword rows are never deleted.
// The record must exist (11).
ZL_EXPORT int ZLSetKeywordsByID(void* hDB, long lID, WORD wLanguage,
                                const CZLKeywordArray& keywords, long lParamSetID);
ZL_EXPORT int ZLSetKeywordsByBookmark(void* hDB, const COleVariant& bookmark, WORD wLanguage,
                                      const CZLKeywordArray& keywords, long lParamSetID);
ZL_EXPORT int ZLSetKeywordsByID(void* hDB, long lID, const CZLKeywordMap& keywords,
                                long lParamSetID);
ZL_EXPORT int ZLSetKeywordsByBookmark(void* hDB, const COleVariant& bookmark,
                                      const CZLKeywordMap& keywords, long lParamSetID);

// Every keyword text of the language, in keyword-ID order (the array is
// emptied first).
ZL_EXPORT int ZLGetDBKeywords(void* hDB, WORD wLanguage, CZLKeywordArray& keywords);
// Stores nothing: returns 1 and leaves the last error as it was.
ZL_EXPORT int ZLSetDBKeywords(void* hDB, WORD wLanguage, const CZLKeywordArray& keywords);

// The record's symbol text in one language (27 when it has none; the text
// is emptied), or in every language that has one (the map is emptied
// first; languages without a symbol are left out).
ZL_EXPORT int ZLGetSymbolByID(void* hDB, long lID, WORD wLanguage, CString& symbol);
ZL_EXPORT int ZLGetSymbolByBookmark(void* hDB, const COleVariant& bookmark, WORD wLanguage,
                                    CString& symbol);
ZL_EXPORT int ZLGetSymbolsByID(void* hDB, long lID, CMap<WORD, WORD, CString, LPCSTR>& symbols);
ZL_EXPORT int ZLGetSymbolsByBookmark(void* hDB, const COleVariant& bookmark,
                                     CMap<WORD, WORD, CString, LPCSTR>& symbols);

// Writes the record's symbol text in one language; an empty text is stored
// as such.  The record must exist (11).
ZL_EXPORT int ZLSetSymbolByID(void* hDB, long lID, WORD wLanguage, const char* lpszSymbol);
ZL_EXPORT int ZLSetSymbolByBookmark(void* hDB, const COleVariant& bookmark, WORD wLanguage,
                                    const char* lpszSymbol);

#endif  // ZLDBCTRL70_KEYWORDS_H_
