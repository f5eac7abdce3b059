// A record's content as a whole: everything that hangs on one MAIN row, in
// every table of the file, removed or copied through the routines of the
// content families (keywords, nodes, files, macros, calls, symbols, texts,
// parameter sets, tolerances and stresses, additional data, profiles).
//
// Every routine works on locked handle records inside the operation's
// transaction, returns a last-error code and lets engine exceptions
// propagate to the guard; on a failure the operation rolls back what was
// written, so a record is removed or copied wholly or not at all.
#ifndef ZLDBCTRL70_RECORDS_WHOLE_RECORD_H_
#define ZLDBCTRL70_RECORDS_WHOLE_RECORD_H_

#include "frame/handle_record.h"

namespace zl {

// Removes the record's MAIN row and every row that belongs to it: keyword
// links, nodes with their satellites, files, macros, calls, symbols, the
// texts of its title and information in every language, its parameter sets
// with their values, keywords and texts, its tolerances and stresses with
// their per-set values, its additional data, and its user-defined rows with
// its UDT_ID row (section tables left empty go with them).  Rows of other
// records stay, as do links of other records that name it.  11 when the
// record does not exist.
int DeleteRecord(ZLHandleRecord& record, long recordID);

// Makes the record destID of dest a copy of sourceID of source (which may
// be the same handle): the MAIN columns except the tree links, titles and
// information texts, keywords, files, nodes (new node IDs; wizard-file
// references mapped to the copied files), macros, calls, symbols, the
// parameter sets (replacing the destination's) with their links, texts,
// keywords and values, tolerances and stresses with their per-set values
// (node and set IDs mapped to the copies), and the additional data of the
// columns both files describe alike.  The source is only read.  Languages
// and tables the copied content needs must exist in dest (20, 21
// otherwise).  A record copied onto itself is left as it is.
int CopyRecord(ZLHandleRecord& source, long sourceID, ZLHandleRecord& dest, long destID);

}  // namespace zl

#endif  // ZLDBCTRL70_RECORDS_WHOLE_RECORD_H_
