// The rows of a record in its user-defined tables.  A record that has such
// data has a row in UDT_ID; its counter (UDT_ID) is the key of the record's
// rows in every data table, and the record's UDTNAME names the directory
// table whose TABLE_NAME column lists the data tables.  Table names come
// from the file; the engine checks and quotes them.
#ifndef ZLDBCTRL70_RECORDS_UDT_ROWS_H_
#define ZLDBCTRL70_RECORDS_UDT_ROWS_H_

#include "frame/guard.h"
#include "frame/handle_record.h"

namespace zl {

// Deletes the record's rows in every data table its directory lists and its
// UDT_ID row.  Succeeds with last error 11 when the record has no UDT_ID
// row; fails with 10 when it has one but no UDTNAME.  Engine exceptions
// propagate.
ZLOutcome DeleteUDTRows(ZLHandleRecord& record, long recordID);

}  // namespace zl

#endif  // ZLDBCTRL70_RECORDS_UDT_ROWS_H_
