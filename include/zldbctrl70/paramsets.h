// Parameter sets of a model, their chain, and the model's tolerances and
// stresses with the values each set gives them.
//
// A parameter set is an alternative value assignment for the model's
// non-conservative nodes.  The sets of one record are chained through their
// PREV and NEXT links, which callers write one at a time: a new set is not
// in the chain until the caller links it, and keeping both neighbours'
// links consistent is the caller's task.  Tolerances and stresses belong to
// the record; a set may override their state and limit texts.
//
// A trailing parameter-set ID of 0 selects the record's own data.  Common
// codes: 7 bad handle, 8 a bookmark that cannot be set, 11 no such record or
// set (also for an ID no 32-bit key can hold), 9 engine failure or a number
// that does not fit its column, 6 memory exhausted.  Writes are
// all-or-nothing; operations that change the sets or their chain renew the
// database's layout stamp.
#ifndef ZLDBCTRL70_PARAMSETS_H_
#define ZLDBCTRL70_PARAMSETS_H_

#include "zldbctrl70/export.h"
#include "zldbctrl70/platform/coll_array.h"
#include "zldbctrl70/value_objects.h"

// Adds an unlinked set (PREV and NEXT empty) to the record and returns its
// ID in lNewID.  The record must exist (11).
ZL_EXPORT int ZLCreateNewParamSet(void* hDB, long lID, long& lNewID);

// Removes set lParamSetID of record lID with everything that belongs to it
// alone: its node values, its keyword links in every language, its
// tolerance and stress values and its title and info texts.  The record's
// nodes, tolerances and stresses stay.  The neighbours' links are not
// changed.  11 when the record has no such set.
ZL_EXPORT int ZLDeleteParamSetByParamID(void* hDB, long lID, long lParamSetID);

// Every set ID of the record in the order of the set table's record index
// (not the chain order).  The array is emptied first; a record without sets
// gives an empty array and success.
ZL_EXPORT int ZLGetAllParamSetByID(void* hDB, long lID, CArray<long, long>& paramSets);
ZL_EXPORT int ZLGetAllParamSetByBookmark(void* hDB, const COleVariant& bookmark,
                                         CArray<long, long>& paramSets);

// The record's first set: the first set, in index order, whose PREV is
// empty.  Returns 1 when there is one, 0 with last error 0 and lFirst 0
// when the record has none.
ZL_EXPORT int ZLGetFirstParamSetByID(void* hDB, long lID, long& lFirst);
ZL_EXPORT int ZLGetFirstParamSetByBookmark(void* hDB, const COleVariant& bookmark, long& lFirst);

// A set's neighbour in the chain; 0 when the link is empty.
ZL_EXPORT int ZLGetPrevParamSetByParamID(void* hDB, long lParamSetID, long& lPrev);
ZL_EXPORT int ZLGetNextParamSetByParamID(void* hDB, long lParamSetID, long& lNext);

// Writes one link of a set as given (0: none); the neighbour is not checked
// and its own link is not changed.
ZL_EXPORT int ZLSetPrevParamSetByParamID(void* hDB, long lParamSetID, long lPrev);
ZL_EXPORT int ZLSetNextParamSetByParamID(void* hDB, long lParamSetID, long lNext);

// The record's tolerances in table order, each with the name of its node.
// For a set other than 0 the state and the six texts are the set's (state
// 0 and empty texts where the set has no value for a tolerance).  The array
// is emptied first.
ZL_EXPORT int ZLGetTolerancesByID(void* hDB, long lID, CZLToleranceArray& tolerances,
                                  long lParamSetID);
ZL_EXPORT int ZLGetTolerancesByBookmark(void* hDB, const COleVariant& bookmark,
                                        CZLToleranceArray& tolerances, long lParamSetID);

// With set 0: merges the record's tolerances with the array by tolerance
// ID (rows an object names are rewritten, objects with ID 0 or an ID the
// record does not have are added and receive their new IDs, other rows are
// deleted with their values in every set).  With another set: stores each
// object's state and texts as the set's values; the tolerances themselves
// are not changed, and every object must name a tolerance of the record and
// the set must be one of the record's (11).  Node names are never written.
ZL_EXPORT int ZLSetTolerancesByID(void* hDB, long lID, CZLToleranceArray& tolerances,
                                  long lParamSetID);
ZL_EXPORT int ZLSetTolerancesByBookmark(void* hDB, const COleVariant& bookmark,
                                        CZLToleranceArray& tolerances, long lParamSetID);

// Stresses, as tolerances: a set overrides state, minimum and maximum.
ZL_EXPORT int ZLGetStressByID(void* hDB, long lID, CZLStressArray& stresses, long lParamSetID);
ZL_EXPORT int ZLGetStressByBookmark(void* hDB, const COleVariant& bookmark,
                                    CZLStressArray& stresses, long lParamSetID);
ZL_EXPORT int ZLSetStressByID(void* hDB, long lID, CZLStressArray& stresses, long lParamSetID);
ZL_EXPORT int ZLSetStressByBookmark(void* hDB, const COleVariant& bookmark,
                                    CZLStressArray& stresses, long lParamSetID);

#endif  // ZLDBCTRL70_PARAMSETS_H_
