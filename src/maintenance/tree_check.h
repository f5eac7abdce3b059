// Checking the model tree's links without changing them: every record
// reached from the root exactly once, every link naming a record that
// exists, and the links agreeing with each other (a record's PARENT and
// PREV are the records whose FIRSTCHILD and NEXT lead to it).
#ifndef ZLDBCTRL70_MAINTENANCE_TREE_CHECK_H_
#define ZLDBCTRL70_MAINTENANCE_TREE_CHECK_H_

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "maintenance/repair_tree.h"

namespace zl {

struct ZLTreeFault {
  enum EKind {
    kUnreached,     // the walk from the root does not reach the record
    kReachedTwice,  // a second chain leads to a record already reached
    kDangling,      // a link names a record that does not exist
    kInconsistent,  // PARENT or PREV disagrees with the chain the record is in
  };
  EKind m_eKind;
  int32_t m_lID;  // the record the fault is about
  std::string m_strText;
};

// Calls fault() for each fault of rows (ordered by ascending ID), in the
// order of the walk from the root, then the dangling links and the records
// not reached by ascending ID.  The walk follows FIRSTCHILD of every record
// and NEXT.  Time O(n), memory O(n).
void CheckTreeLinks(const std::vector<ZLTreeRow>& rows,
                    const std::function<void(const ZLTreeFault&)>& fault);

}  // namespace zl

#endif  // ZLDBCTRL70_MAINTENANCE_TREE_CHECK_H_
