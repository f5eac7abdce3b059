// The parts of a model query that whole-table scans answer: the candidates
// in the query's order, and for each text criterion the set of rows that
// can pass it.  The sets are never smaller than the exact answer (a
// candidate outside them fails the criterion for certain); the query checks
// the candidates inside them exactly, through the record routines.
//
// Every routine works on a locked handle record inside the operation's
// read transaction and lets engine exceptions propagate.
#ifndef ZLDBCTRL70_QUERY_PREFILTERS_H_
#define ZLDBCTRL70_QUERY_PREFILTERS_H_

#include <cstdint>
#include <unordered_set>
#include <vector>

#include "frame/handle_record.h"
#include "query/text_criterion.h"

namespace zl {

// A record (paramSetID 0) or one of its parameter sets, with the resource
// ID of its title (0 when the field is NULL).
struct ZLQueryCandidate {
  long recordID;
  long paramSetID;
  int64_t titleID;
};

// Records from the highest ID down, each followed by its parameter sets
// from the highest set ID down (the reverse of their index order).
void CollectCandidates(ZLHandleRecord& record, std::vector<ZLQueryCandidate>& candidates);

// IDs of the records whose DEFNAME the criterion accepts.
std::unordered_set<int64_t> RecordsByName(ZLHandleRecord& record, const CTextCriterion& criterion);

// Resource IDs with a text the criterion accepts in the language (0: in any
// resource language).
std::unordered_set<int64_t> TextsMatching(ZLHandleRecord& record, const CTextCriterion& criterion,
                                          WORD language);

// Owners of a keyword link to a keyword the criterion accepts in the
// language (0: in any), as OwnerKey(record, set); a NULL set counts as 0.
std::unordered_set<uint64_t> KeywordOwners(ZLHandleRecord& record, const CTextCriterion& criterion,
                                           WORD language);
inline uint64_t OwnerKey(long recordID, long paramSetID) {
  return (static_cast<uint64_t>(static_cast<uint32_t>(recordID)) << 32) |
         static_cast<uint32_t>(paramSetID);
}

}  // namespace zl

#endif  // ZLDBCTRL70_QUERY_PREFILTERS_H_
