// What a record copy carries from one step to the next (source IDs to the
// destination's new IDs), and the copy steps for parameter sets, limits and
// additional data.  Every routine works on locked handle records inside the
// copy's transaction, returns a last-error code and lets engine exceptions
// propagate to the guard.
#ifndef ZLDBCTRL70_RECORDS_COPY_MAPS_H_
#define ZLDBCTRL70_RECORDS_COPY_MAPS_H_

#include <unordered_map>
#include <utility>
#include <vector>

#include "frame/handle_record.h"
#include "tree/row_target.h"
#include "zldbctrl70/value_objects.h"

namespace zl {

using ZLIDMap = std::unordered_map<long, long>;

// Frees an array of value objects on every way out.
template <class Array>
struct CArrayOwner {
  Array array;
  ~CArrayOwner() { ZLFreeObjectArray(array); }
};

struct ZLCopyMaps {
  ZLIDMap nodes;                            // non-conservative node IDs
  std::vector<std::pair<long, long>> sets;  // parameter sets, in chain order
};

// Copies the keywords of one parameter set (0: the record's own) in every
// language of the source.  Nothing to copy in a language the destination
// lacks is no failure; a language only the destination has keeps its list.
int CopyKeywords(ZLHandleRecord& source, long sourceID, long fromSet, ZLHandleRecord& dest,
                 long destID, long toSet);

// Copies the texts of the resource ID in field (TITLE or INFO) of one row
// (a record or a parameter set) in every language.  A source without texts
// (a NULL field) copies as none: the destination's own texts stay, as a
// setter given an empty map leaves them.
int CopyRowTexts(ZLHandleRecord& source, const ZLRowRef& from, ZLHandleRecord& dest,
                 const ZLRowRef& to, const char* field);

// The source's set chain from its first set: a new destination set per set,
// linked in the same order, with the set's columns, texts, keywords and node
// values (node IDs through maps.nodes); fills maps.sets.
int CopyParamSets(ZLHandleRecord& source, long sourceID, ZLHandleRecord& dest, long destID,
                  ZLCopyMaps& maps);

// Tolerances and stresses of the record with new IDs, then their values for
// every copied set.
int CopyLimitsOfRecord(ZLHandleRecord& source, long sourceID, ZLHandleRecord& dest, long destID,
                       const ZLCopyMaps& maps);

// The values of the additional-data columns that both files describe with
// the same type and index (and duplicate flag for an index, size for type
// 0); other columns are skipped, as are values a unique index refuses.
int CopyAdditionalData(ZLHandleRecord& source, long sourceID, ZLHandleRecord& dest, long destID);

}  // namespace zl

#endif  // ZLDBCTRL70_RECORDS_COPY_MAPS_H_
