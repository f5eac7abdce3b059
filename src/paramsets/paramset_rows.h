// Parameter-set rows (PARAMSET) of a record and everything that belongs to
// one set alone: its node values (PARAMVALUE), its keyword links in every
// language, its tolerance and stress values and its title and info texts.
// The routines that remove them are the ones record deletion composes.
//
// Every routine works on a locked handle record, returns a last-error code
// and lets engine exceptions propagate to the guard.
#ifndef ZLDBCTRL70_PARAMSETS_PARAMSET_ROWS_H_
#define ZLDBCTRL70_PARAMSETS_PARAMSET_ROWS_H_

#include <vector>

#include "frame/handle_record.h"

namespace zl {

// The set IDs of the record in the order of the record index (IDs of 0
// left out).  11 for a record ID no 32-bit key can hold.
int CollectParamSets(ZLHandleRecord& record, long recordID, std::vector<long>& ids);

// The first set of the record in index order whose PREV is empty; 0 when
// there is none (the code is 0 in both cases).
int FindFirstParamSet(ZLHandleRecord& record, long recordID, long& first);

// Adds an unlinked set to the record (which must exist: 11) and returns its
// ID.  Renews the layout stamp.
int CreateParamSet(ZLHandleRecord& record, long recordID, long& newID);

// 0 when set paramSetID exists and belongs to the record, else 11.
int CheckParamSetOfRecord(ZLHandleRecord& record, long recordID, long paramSetID);

// Deletes every row that belongs to set paramSetID of the record alone:
// PARAMVALUE rows of the record's nodes (both kinds), keyword links in
// every language, TOLERANCE_VALUE and QUALITY_VALUE rows.  The PARAMSET
// row, the record's nodes, tolerances and stresses stay.  In its own
// transaction.
int DeleteParamSetValues(ZLHandleRecord& record, long recordID, long paramSetID);

// Deletes set paramSetID of the record (11 when the record has no such
// set): its values as above, its texts in every language and its row.
// Renews the layout stamp.  In its own transaction.
int DeleteParamSet(ZLHandleRecord& record, long recordID, long paramSetID);

// Deletes every set of the record as above and every tolerance and stress
// of the record with their values.  In its own transaction.
int DeleteRecordParamSets(ZLHandleRecord& record, long recordID);

}  // namespace zl

#endif  // ZLDBCTRL70_PARAMSETS_PARAMSET_ROWS_H_
