// A record's content as a whole: everything that hangs on one MAIN row, in
// every table of the file, removed or copied through the writers of the
// content families (keywords, nodes, files, macros, calls, symbols, texts).
//
// Every routine works on locked handle records inside the operation's
// transaction, returns a last-error code and lets engine exceptions
// propagate to the guard; on a failure the operation rolls back what was
// written, so a record is removed or copied wholly or not at all.
#ifndef ZLDBCTRL70_RECORDS_RECORD_CONTENT_H_
#define ZLDBCTRL70_RECORDS_RECORD_CONTENT_H_

#include "frame/handle_record.h"

namespace zl {

// Removes the record's keywords (parameter set 0), nodes with their
// satellites, files, macros, calls, symbols and the texts of its title and
// information in every language, its additional data, and its MAIN row;
// detaches its UDT_ID row (MODEL_ID set to NULL).  Rows of other records
// and the record's TOLERANCE and QUALITY rows and profile rows stay, as do
// links of other records that name it.  11 when the record does not exist.
int DeleteRecordContent(ZLHandleRecord& record, long recordID);

// Makes the record destID of dest a copy of sourceID of source (which may
// be the same handle): the MAIN columns except the tree links, titles and
// information texts, keywords, files, nodes (new node IDs; wizard-file
// references mapped to the copied files), macros, calls and symbols.  The
// source is only read.  Languages and tables the copied content needs must
// exist in dest (20, 21 otherwise).
int CopyRecordContent(ZLHandleRecord& source, long sourceID, ZLHandleRecord& dest, long destID);

}  // namespace zl

#endif  // ZLDBCTRL70_RECORDS_RECORD_CONTENT_H_
