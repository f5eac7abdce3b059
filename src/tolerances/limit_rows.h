// Tolerances (TOLERANCE, per set TOLERANCE_VALUE) and stresses (QUALITY,
// per set QUALITY_VALUE) of a record: the two families share one shape,
// a row per limit of the record and a row per (limit, parameter set) that
// overrides some of its columns, and are read and written by the same
// routines, instantiated for CZLToleranceObject and CZLStressObject.
//
// Every routine works on a locked handle record, returns a last-error code
// and lets engine exceptions propagate to the guard.
#ifndef ZLDBCTRL70_TOLERANCES_LIMIT_ROWS_H_
#define ZLDBCTRL70_TOLERANCES_LIMIT_ROWS_H_

#include "frame/handle_record.h"
#include "zldbctrl70/value_objects.h"

namespace zl {

// Appends one new object per limit row of the record in index order; for a
// parameter set other than 0 the overridden columns come from the set's
// value row (0 and empty texts when it has none).  Tolerances also get the
// name of their node (every tolerance on a node, not only the first).
template <class T>
int ReadLimits(ZLHandleRecord& record, long recordID, long paramSetID,
               CTypedPtrArray<CObArray, T*>& objects);

// With set 0, merges the record's limit rows with the objects by ID: rows
// an object names are rewritten (left alone when unchanged), other objects
// are added and receive their new IDs, other rows are deleted with their
// values in every set.  With another set, stores the overridden columns of
// every object as the set's values (11 when an object names no limit of
// the record).  9 for a number that does not fit its column, 11 for an ID
// that no row can have; nothing is written then.  In its own transaction.
// The caller checks that the set belongs to the record.
template <class T>
int WriteLimits(ZLHandleRecord& record, long recordID, long paramSetID,
                CTypedPtrArray<CObArray, T*>& objects);

// Deletes the values that set paramSetID gives the record's tolerances and
// stresses.
void DeleteLimitSetValues(ZLHandleRecord& record, long recordID, long paramSetID);

// Deletes every tolerance and stress of the record with their values in
// every set (what deleting the record needs).
void DeleteRecordLimits(ZLHandleRecord& record, long recordID);

extern template int ReadLimits<CZLToleranceObject>(ZLHandleRecord&, long, long, CZLToleranceArray&);
extern template int ReadLimits<CZLStressObject>(ZLHandleRecord&, long, long, CZLStressArray&);
extern template int WriteLimits<CZLToleranceObject>(ZLHandleRecord&, long, long,
                                                    CZLToleranceArray&);
extern template int WriteLimits<CZLStressObject>(ZLHandleRecord&, long, long, CZLStressArray&);

}  // namespace zl

#endif  // ZLDBCTRL70_TOLERANCES_LIMIT_ROWS_H_
