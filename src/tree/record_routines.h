// The record routines: positioning a recordset on a row (any table by its
// ID field, MAIN by a bookmark) and reading or writing one field or one
// language-dependent text of the row it stands on.  Operations that name a
// record or parameter set by ID or bookmark do not call the seeks
// themselves: they position the row once through PositionRow
// (tree/row_target.h) and act on it with the current-row routines below.
//
// Each works on a locked handle record, catches every engine and memory
// exception itself and returns a last-error code: 0 success, 11 no row with
// that ID, 8 the bookmark cannot be set, 10 the field (or the resource ID of
// a text) is NULL, 20 the language has no string table, 27 no text in that
// language, 9 any other engine failure, 6 memory exhausted.  The routines
// move the recordsets' current rows and never restore them; they never
// change a recordset's current index.
#ifndef ZLDBCTRL70_TREE_RECORD_ROUTINES_H_
#define ZLDBCTRL70_TREE_RECORD_ROUTINES_H_

#include "frame/handle_record.h"
#include "zldbctrl70/platform/variant.h"

class CZLRecordset;

namespace zl {

// Makes the row whose idField equals id current, seeking on the current
// index (which callers set to the index on idField).  Refreshes the engine's
// cache first unless the handle is in snapshot mode.
int SeekByID(ZLHandleRecord& record, CZLRecordset& rs, const char* idField, long id);

// Positions MAIN on the bookmark's row (8 when it cannot be set).  No
// refresh.
int SeekByBookmark(ZLHandleRecord& record, const COleVariant& bookmark);

// Reads field of the current row of rs.  On 10 value holds the NULL.
int ReadCurrentField(CZLRecordset& rs, const char* field, COleVariant& value);

// Writes field of the current row of rs with its own Update; an empty or NULL value stores NULL.  A
// failed write leaves the row as it was.
int WriteCurrentField(CZLRecordset& rs, const char* field, const COleVariant& value);

// The text in language of the resource ID held in resourceField of the
// current row of rs (a string variant).
int ReadCurrentText(ZLHandleRecord& record, CZLRecordset& rs, WORD language,
                    const char* resourceField, COleVariant& text);

// Stores the text in language for the current row of rs.  A row whose
// resource ID is NULL first gets a new one; when storing the text then
// fails, the operation's transaction undoes both.
int WriteCurrentText(ZLHandleRecord& record, CZLRecordset& rs, WORD language,
                     const char* resourceField, const COleVariant& text);

// Reads the resource-ID field of the current row of rs and, when it is NULL
// and allocate is set, gives the row a new resource ID.  Engine errors
// propagate.  Returns 10 for a NULL field not allocated.
int CurrentResourceID(ZLHandleRecord& record, CZLRecordset& rs, const char* resourceField,
                      bool allocate, COleVariant& resourceID);

}  // namespace zl

#endif  // ZLDBCTRL70_TREE_RECORD_ROUTINES_H_
