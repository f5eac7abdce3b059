#include "maintenance/repair_tree.h"

#include <unordered_set>

namespace zl {

CTreeRowIndex::CTreeRowIndex(const std::vector<ZLTreeRow>& rows) : m_rows(rows) {
  m_positions.reserve(rows.size());
  for (size_t i = 0; i < rows.size(); ++i) m_positions.emplace(rows[i].m_lID, i);
}

size_t CTreeRowIndex::Find(int32_t id) const {
  if (id == 0) return kNone;
  auto it = m_positions.find(id);
  return it == m_positions.end() ? kNone : it->second;
}

size_t CTreeRowIndex::Follow(size_t i, int32_t ZLTreeRow::*field) const {
  std::unordered_set<size_t> met{i};
  for (;;) {
    const size_t next = Find(m_rows[i].*field);
    if (next == kNone || !met.insert(next).second) return i;
    i = next;
  }
}

size_t CTreeRowIndex::FindRoot() const {
  if (m_rows.empty()) return kNone;
  return Follow(Follow(0, &ZLTreeRow::m_lParent), &ZLTreeRow::m_lPrev);
}

namespace {

constexpr size_t kNone = CTreeRowIndex::kNone;

class CRelinker {
 public:
  explicit CRelinker(const std::vector<ZLTreeRow>& rows)
      : m_rows(rows), m_index(rows), m_nodes(rows.size()), m_marks(rows.size(), 0) {}

  ZLRelinkResult Run() {
    ZLRelinkResult result;
    if (!m_rows.empty()) {
      WalkFrom(m_index.FindRoot());
      result.m_nReached = m_attached;
      Reattach(result);
    }
    result.m_rows.reserve(m_rows.size());
    for (size_t i = 0; i < m_rows.size(); ++i) {
      const CNode& node = m_nodes[i];
      ZLTreeRow row = m_rows[i];
      row.m_lParent = IDOf(node.parent);
      row.m_lFirstChild = IDOf(node.first);
      row.m_lPrev = IDOf(node.prev);
      row.m_lNext = IDOf(node.next);
      if (!row.SameLinks(m_rows[i])) ++result.m_nChanged;
      result.m_rows.push_back(row);
    }
    return result;
  }

 private:
  struct CNode {
    size_t parent = kNone;
    size_t first = kNone;
    size_t last = kNone;
    size_t prev = kNone;
    size_t next = kNone;
    bool inTree = false;
  };

  size_t Find(int32_t id) const { return m_index.Find(id); }
  int32_t IDOf(size_t i) const { return i == kNone ? 0 : m_rows[i].m_lID; }

  // Starts a new bounded walk: every record is marked at most once per walk.
  uint32_t NewWalk() { return ++m_walk; }
  bool Mark(size_t i, uint32_t walk) {
    if (m_marks[i] == walk) return false;
    m_marks[i] = walk;
    return true;
  }

  // Makes child the last child of parent (kNone: the top level).
  void Append(size_t child, size_t parent) {
    CNode& node = m_nodes[child];
    size_t& first = parent == kNone ? m_topFirst : m_nodes[parent].first;
    size_t& last = parent == kNone ? m_topLast : m_nodes[parent].last;
    node.parent = parent;
    node.prev = last;
    node.next = kNone;
    if (last == kNone) {
      first = child;
    } else {
      m_nodes[last].next = child;
    }
    last = child;
    node.inTree = true;
    ++m_attached;
  }

  // Depth-first from the root: a record, its children (folders only), then
  // its next sibling.  A record already in the tree ends its chain.
  void WalkFrom(size_t root) {
    struct CChain {
      size_t parent;
      int32_t nextID;
    };
    std::vector<CChain> chains{{kNone, m_rows[root].m_lID}};
    while (!chains.empty()) {
      const CChain chain = chains.back();
      const size_t i = Find(chain.nextID);
      if (i == kNone || m_nodes[i].inTree) {
        chains.pop_back();
        continue;
      }
      Append(i, chain.parent);
      chains.back().nextID = m_rows[i].m_lNext;
      if (m_rows[i].m_lType == kFolderRecordType && m_rows[i].m_lFirstChild != 0) {
        chains.push_back({i, m_rows[i].m_lFirstChild});
      }
    }
  }

  // Hangs the records waiting for node under it, and theirs under them.  A
  // node attached during a pass takes first the waiting records with lower
  // IDs (the pass meets them after it) and then, one pass later, those with
  // higher IDs, each group from the highest ID down; a node attached between
  // passes takes them all in the next pass.
  void Cascade(size_t top, bool duringPass) {
    std::vector<std::pair<size_t, bool>> pending{{top, duringPass}};
    while (!pending.empty()) {
      // Plain copies, not a structured binding: the lambda below captures
      // them, which C++17 allows only for variables.
      const size_t node = pending.back().first;
      const bool split = pending.back().second;
      pending.pop_back();
      std::vector<size_t> waiting;
      waiting.swap(m_waiting[node]);
      auto hang = [&](bool lower) {
        for (size_t child : waiting) {
          if (m_nodes[child].inTree || (split && (child < node) != lower)) continue;
          Append(child, node);
          pending.push_back({child, true});
        }
      };
      if (split) hang(true);
      hang(false);
    }
  }

  void Reattach(ZLRelinkResult& result) {
    const size_t reached = m_attached;
    m_waiting.resize(m_rows.size());
    // Where each record left over goes in the first pass.
    std::vector<size_t> order;  // highest ID first
    std::vector<size_t> target;
    for (size_t i = m_rows.size(); i-- > 0;) {
      if (m_nodes[i].inTree) continue;
      const size_t parent = Find(m_rows[i].m_lParent);
      if (parent != kNone && !m_nodes[parent].inTree) {
        m_waiting[parent].push_back(i);
        continue;
      }
      order.push_back(i);
      target.push_back(parent);
    }
    for (size_t k = 0; k < order.size(); ++k) {
      Append(order[k], target[k]);
      Cascade(order[k], true);
    }
    // What is left waits on a cycle of PARENT links.
    for (size_t i = m_rows.size(); i-- > 0;) {
      while (!m_nodes[i].inTree) {
        // Up the parents until a record comes round again: it is on the
        // cycle.  Every parent on the way is left over too (or the record
        // below it would have been hung under it).
        const uint32_t walk = NewWalk();
        size_t current = i;
        Mark(current, walk);
        for (;;) {
          const size_t parent = Find(m_rows[current].m_lParent);
          if (parent == kNone || m_nodes[parent].inTree) break;
          current = parent;
          if (!Mark(current, walk)) break;
        }
        Append(current, kNone);
        ++result.m_nCyclesBroken;
        Cascade(current, false);
      }
    }
    result.m_nReattached = m_attached - reached;
  }

  const std::vector<ZLTreeRow>& m_rows;
  CTreeRowIndex m_index;
  std::vector<CNode> m_nodes;
  std::vector<std::vector<size_t>> m_waiting;
  std::vector<uint32_t> m_marks;
  uint32_t m_walk = 0;
  size_t m_topFirst = kNone;
  size_t m_topLast = kNone;
  size_t m_attached = 0;
};

}  // namespace

ZLRelinkResult RelinkTree(const std::vector<ZLTreeRow>& rows) { return CRelinker(rows).Run(); }

}  // namespace zl
