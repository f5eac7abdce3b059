// The FILES rows of a record.  Both routines work on a locked handle
// record, return a last-error code and let engine exceptions propagate to
// the guard.
#ifndef ZLDBCTRL70_FILES_FILE_ROWS_H_
#define ZLDBCTRL70_FILES_FILE_ROWS_H_

#include "frame/handle_record.h"
#include "zldbctrl70/value_objects.h"

namespace zl {

// Appends one new object per file row of the record, in index order.
int ReadFiles(ZLHandleRecord& record, long recordID, CZLFileArray& files);

// Overwrites the record's file rows in place with the array (null entries
// skipped).  9 when a number of an object does not fit its column, checked
// before anything is written.
int WriteFiles(ZLHandleRecord& record, long recordID, const CZLFileArray& files);

}  // namespace zl

#endif  // ZLDBCTRL70_FILES_FILE_ROWS_H_
