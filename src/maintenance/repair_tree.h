// Rebuilding the model tree's links from what the stored links still say.
//
// The tree is walked from its root (found as the tree's root search finds
// it: from the record with the smallest ID up its PARENT links, then left
// along PREV) through FIRSTCHILD of folders and NEXT of siblings; a record
// met a second time ends the chain it was met in, so every record is reached
// at most once.  Records the walk did not reach are hung back in passes over
// them from the highest ID down: a record whose PARENT is in the tree becomes
// its parent's last child; a record whose PARENT is itself still waiting
// waits for a later pass; any other record is appended to the top level.
// The passes go on while any record is left.  When a pass attaches nothing,
// the records left wait on each other through a cycle of PARENT links: the
// cycle is broken where the walk up from the highest remaining ID first meets
// a record again, which goes to the top level, and the passes go on.
//
// The result is the same as running those passes literally, but each record
// is looked at a bounded number of times: time O(n log n), memory O(n).
#ifndef ZLDBCTRL70_MAINTENANCE_REPAIR_TREE_H_
#define ZLDBCTRL70_MAINTENANCE_REPAIR_TREE_H_

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace zl {

constexpr int32_t kFolderRecordType = 1;

// The type and the four links of one MAIN row (0: NULL or none).
struct ZLTreeRow {
  int32_t m_lID;
  int32_t m_lType;
  int32_t m_lParent;
  int32_t m_lFirstChild;
  int32_t m_lPrev;
  int32_t m_lNext;

  bool SameLinks(const ZLTreeRow& other) const {
    return m_lParent == other.m_lParent && m_lFirstChild == other.m_lFirstChild &&
           m_lPrev == other.m_lPrev && m_lNext == other.m_lNext;
  }
};

// Rows ordered by ascending ID, found by ID, and the tree's root as the
// root search finds it.
class CTreeRowIndex {
 public:
  static constexpr size_t kNone = static_cast<size_t>(-1);

  // rows must outlive the index.
  explicit CTreeRowIndex(const std::vector<ZLTreeRow>& rows);
  CTreeRowIndex(const CTreeRowIndex&) = delete;
  CTreeRowIndex& operator=(const CTreeRowIndex&) = delete;

  // The position of the row with that ID; kNone for 0 or an ID no row has.
  size_t Find(int32_t id) const;
  // From the smallest ID up the PARENT links, then left along PREV, each
  // walk ending at a link that names no row or a row met before on it;
  // kNone when there are no rows.
  size_t FindRoot() const;

 private:
  size_t Follow(size_t i, int32_t ZLTreeRow::*field) const;

  const std::vector<ZLTreeRow>& m_rows;
  std::unordered_map<int32_t, size_t> m_positions;
};

struct ZLRelinkResult {
  // Every row with the links it must have, in the order of the input.
  std::vector<ZLTreeRow> m_rows;
  size_t m_nReached = 0;       // rows the walk from the root reached
  size_t m_nReattached = 0;    // rows hung back by the passes
  size_t m_nCyclesBroken = 0;  // PARENT cycles broken at the top level
  size_t m_nChanged = 0;       // rows whose links change
};

// Relinks rows, which are ordered by ascending ID with no ID twice.
ZLRelinkResult RelinkTree(const std::vector<ZLTreeRow>& rows);

}  // namespace zl

#endif  // ZLDBCTRL70_MAINTENANCE_REPAIR_TREE_H_
