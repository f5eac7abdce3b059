// The rows of a record in its user-defined tables.  A record that has such
// data has a row in UDT_ID; its counter (UDT_ID) is the key of the record's
// rows in every data table, and the record's UDTNAME names the directory
// table whose TABLE_NAME column lists the data tables (the profile strings
// keep their sections so).  Table names come from the file; the engine
// checks and quotes them.  A listed table without a UDT_ID field holds no
// record's rows and is passed over.
//
// Every routine works on locked handle records inside the operation's
// transaction and lets engine exceptions propagate to the guard.
#ifndef ZLDBCTRL70_RECORDS_UDT_ROWS_H_
#define ZLDBCTRL70_RECORDS_UDT_ROWS_H_

#include "frame/guard.h"
#include "frame/handle_record.h"

namespace zl {

// The record's user-defined-table ID (the counter of its UDT_ID row, the
// key of its rows in every data table); 11 when it has no UDT_ID row.
int FindUDTKey(ZLHandleRecord& record, long recordID, COleVariant& key);

// Deletes the rows whose UDT_ID is key in every data table the record's
// directory (UDTNAME) lists: through the table's UDT_ID_INDEX, or by a scan
// when it has none.  10 when the record names no directory.
int DeleteUDTDataRows(ZLHandleRecord& record, long recordID, const COleVariant& key);

// Deletes the record's rows in every data table its directory lists and its
// UDT_ID row.  Succeeds with last error 11 when the record has no UDT_ID
// row; fails with 10 when it has one but no UDTNAME.
ZLOutcome DeleteUDTRows(ZLHandleRecord& record, long recordID);

// Everything above and the profile family's clean-up after it: section
// tables left empty go with their catalogue entries (and an emptied
// catalogue).  Nothing to do (0) for a record without UDT_ID row.
int DeleteUserData(ZLHandleRecord& record, long recordID);

// Detaches the record's user-defined data, as deleting a record does: its
// UDT_ID row keeps its counter with MODEL_ID set to NULL, and its rows in
// the data tables (profile sections included) stay where callers that read
// those tables find them.  Nothing to do (0) for a record without UDT_ID row.
int DetachUserData(ZLHandleRecord& record, long recordID);

// Makes destID's user-defined data a copy of sourceID's: the destination's
// own goes first (as DeleteUserData), then it takes the source's WIZTYPE
// and UDTNAME, a new UDT_ID row, and under its new key a copy of each of
// the source's rows in every data table the source's directory lists.  The
// directory and data tables are created in the destination's file, or given
// the fields they lack, as the source's define them.  Succeeds with last
// error 11 and changes nothing when the source has no UDT_ID row; fails
// with 10 when it has one but no UDTNAME.
ZLOutcome CopyUDTRows(ZLHandleRecord& source, long sourceID, ZLHandleRecord& dest, long destID);

}  // namespace zl

#endif  // ZLDBCTRL70_RECORDS_UDT_ROWS_H_
