// Keyword rows (KEYWORD_<lang>: one row per distinct text) and keyword
// links (KEYWORDID_<lang>: record, parameter set, keyword) of one language,
// and symbol rows (SYMBOLS_<lang>).  Every routine works on a locked handle
// record, returns a last-error code (20 when the language lacks a table)
// and lets engine exceptions propagate to the guard.
#ifndef ZLDBCTRL70_KEYWORDS_KEYWORD_ROWS_H_
#define ZLDBCTRL70_KEYWORDS_KEYWORD_ROWS_H_

#include "frame/handle_record.h"
#include "zldbctrl70/value_objects.h"

namespace zl {

// Appends the keywords of the record in the language: its own, then (for a
// parameter set other than 0) those the set adds.  Links to a missing
// keyword row are skipped.
int ReadKeywords(ZLHandleRecord& record, WORD language, long recordID, long paramSetID,
                 CZLKeywordArray& keywords);

// Replaces the record's links of the parameter set in the language with
// the keywords (a set's list without the record's own keywords), adding
// keyword rows for new texts.  In its own transaction.
int WriteKeywords(ZLHandleRecord& record, WORD language, long recordID, long paramSetID,
                  const CZLKeywordArray& keywords);

// Appends every keyword row of the language in keyword-ID order.
int ReadAllKeywords(ZLHandleRecord& record, WORD language, CZLKeywordArray& keywords);

// The record's symbol text (27 when it has none).
int ReadSymbol(ZLHandleRecord& record, WORD language, long recordID, CString& symbol);
// Adds or rewrites the record's symbol row.
int WriteSymbol(ZLHandleRecord& record, WORD language, long recordID, const char* symbol);

// Deletes the record's keyword links in the language, those of every
// parameter set included; keyword rows stay (other records may share them).
int DeleteKeywordLinks(ZLHandleRecord& record, WORD language, long recordID);

// Deletes the record's symbol row (27 when it has none).
int DeleteSymbol(ZLHandleRecord& record, WORD language, long recordID);

}  // namespace zl

#endif  // ZLDBCTRL70_KEYWORDS_KEYWORD_ROWS_H_
