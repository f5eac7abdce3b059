// The row an operation on a record or parameter set works on, and the one
// place that finds it.
//
// A row is named by a ZLRowRef: a non-zero parameter-set ID names the
// PARAMSET row with that PARAM_ID and the record ID or bookmark is then
// ignored; otherwise the row is the MAIN row of the record ID or of the
// bookmark.  PositionRow is the only routine that turns a reference into a
// current row; every family of operations on records and parameter sets
// positions the row once with it and then acts on the current row (the
// current-row routines of tree/record_routines.h), or uses the four row
// routines below, which do exactly that.
//
// Every routine works on a locked handle record and returns a last-error
// code as the record routines do (0, 11, 8, 10, 20, 27, 9, 6); engine
// exceptions are caught inside.
#ifndef ZLDBCTRL70_TREE_ROW_TARGET_H_
#define ZLDBCTRL70_TREE_ROW_TARGET_H_

#include "frame/caller_numbers.h"
#include "frame/handle_record.h"
#include "zldbctrl70/platform/variant.h"

namespace zl {

struct ZLRowRef {
  long recordID;                // MODEL_ID when bookmark is null
  const COleVariant* bookmark;  // a MAIN bookmark, or null; not owned
  long paramSetID;              // non-zero: the PARAMSET row, overriding both

  static ZLRowRef ByID(long id, long paramSetID = 0) { return {id, nullptr, paramSetID}; }
  static ZLRowRef ByBookmark(const COleVariant& bookmark, long paramSetID = 0) {
    return {0, &bookmark, paramSetID};
  }
  // 11 when the reference names its row by an ID no row can have, so that
  // an operation refuses it before writing anything; 0 otherwise.
  int CheckKeys() const {
    int32_t key = 0;
    if (paramSetID != 0) return LookupKey(paramSetID, key);
    return bookmark != nullptr ? ZLE_OK : LookupKey(recordID, key);
  }
};

// The record's own row, for the one-line export layers of each family.
inline ZLRowRef RecordByID(long id) { return ZLRowRef::ByID(id); }
inline ZLRowRef RecordByBookmark(const COleVariant& bookmark) {
  return ZLRowRef::ByBookmark(bookmark);
}

// Reads one field of the row (on 10 value holds the NULL).
int ReadRowField(ZLHandleRecord& record, const ZLRowRef& row, const char* field,
                 COleVariant& value);

// Writes one field of the row with its own Update.
int WriteRowField(ZLHandleRecord& record, const ZLRowRef& row, const char* field,
                  const COleVariant& value);

// The text in one language of the resource ID held in resourceField.
int ReadRowText(ZLHandleRecord& record, const ZLRowRef& row, const char* resourceField,
                WORD language, COleVariant& text);

// Stores the text in one language; a NULL resource ID is first replaced by
// a new one (undone with the operation when storing the text fails).
int WriteRowText(ZLHandleRecord& record, const ZLRowRef& row, const char* resourceField,
                 WORD language, const COleVariant& text);

// Makes the row current and returns its recordset in rs (null on failure):
// PARAMSET or MAIN seeked by ID, or MAIN set to the bookmark.  Seeks by ID
// refresh the engine's cache first unless the handle is in snapshot mode;
// a bookmark refreshes it only for reading.
int PositionRow(ZLHandleRecord& record, const ZLRowRef& row, bool forReading, CZLRecordset*& rs);

}  // namespace zl

#endif  // ZLDBCTRL70_TREE_ROW_TARGET_H_
