// Call rows of the CALL_<lang> tables and access rows of the ACCESS_<lang>
// tables.  Every routine works on a locked handle record, returns a
// last-error code and lets engine exceptions propagate to the guard.
#ifndef ZLDBCTRL70_CALLS_CALL_ROWS_H_
#define ZLDBCTRL70_CALLS_CALL_ROWS_H_

#include "frame/handle_record.h"
#include "zldbctrl70/value_objects.h"

class CZLRecordset;

namespace zl {

// Positions rs on the record's first row whose key equals key without
// regard to case and whose level holds every bit of level; 29 when none.
int SelectCallRow(CZLRecordset& rs, long recordID, const char* key, DWORD level);

// Fills call (reset first) from the current row.
void ReadCallRow(CZLRecordset& rs, CZLCallObject& call);

// Appends one new object per call row of the record, in index order.
void ReadCallRows(CZLRecordset& rs, long recordID, CZLCallArray& calls);

// Writes one call line: a new row when callID is 0 (callID receives its
// ID), else the row with that ID (25 none, 26 another record's).
int WriteCallRow(CZLRecordset& rs, long recordID, const CZLCallObject& call, long& callID);

// Replaces the record's call rows with the array (merge by ID with reuse of
// unclaimed rows).  The caller's objects are not changed.  In its own
// transaction.
int WriteCallSet(CZLRecordset& rs, long recordID, const CZLCallArray& calls);

// The access rows of one node in every simulator language that has an
// access table: reading enters ACCESS and DEF_VALUE in the maps under the
// language (rows that do not exist leave the maps as they are); writing
// adds or edits the row of every language the access map holds (DEF_VALUE
// from the default-value map when it holds the language, else left as it is) and deletes
// the row of every other language.  Writing is in its own transaction.
int ReadAccessRows(ZLHandleRecord& record, long nodeID, BOOL nodeType, CMapStringToString& access,
                   CMapStringToString& defValues);
int WriteAccessRows(ZLHandleRecord& record, long nodeID, BOOL nodeType,
                    const CMapStringToString& access, const CMapStringToString& defValues);

}  // namespace zl

#endif  // ZLDBCTRL70_CALLS_CALL_ROWS_H_
