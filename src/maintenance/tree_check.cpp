#include "maintenance/tree_check.h"

namespace zl {
namespace {

const char* LinkName(int32_t ZLTreeRow::*field) {
  if (field == &ZLTreeRow::m_lParent) return "PARENT";
  if (field == &ZLTreeRow::m_lFirstChild) return "FIRSTCHILD";
  if (field == &ZLTreeRow::m_lPrev) return "PREV";
  return "NEXT";
}

std::string Record(int32_t id) { return "record " + std::to_string(id); }

}  // namespace

void CheckTreeLinks(const std::vector<ZLTreeRow>& rows,
                    const std::function<void(const ZLTreeFault&)>& fault) {
  const CTreeRowIndex index(rows);
  std::vector<bool> reached(rows.size(), false);
  struct CChain {
    int32_t parent;
    int32_t prev;
    int32_t nextID;
  };
  std::vector<CChain> chains;
  const size_t root = index.FindRoot();
  if (root != CTreeRowIndex::kNone) chains.push_back({0, 0, rows[root].m_lID});
  while (!chains.empty()) {
    const CChain chain = chains.back();
    const size_t i = index.Find(chain.nextID);
    if (i == CTreeRowIndex::kNone) {
      chains.pop_back();  // the end, or a dangling link (reported below)
      continue;
    }
    const ZLTreeRow& row = rows[i];
    if (reached[i]) {
      fault({ZLTreeFault::kReachedTwice, row.m_lID,
             Record(row.m_lID) + " is reached a second time, from " +
                 (chain.prev != 0 ? "NEXT of " + Record(chain.prev)
                                  : "FIRSTCHILD of " + Record(chain.parent))});
      chains.pop_back();
      continue;
    }
    reached[i] = true;
    if (row.m_lParent != chain.parent) {
      fault({ZLTreeFault::kInconsistent, row.m_lID,
             Record(row.m_lID) + " has PARENT " + std::to_string(row.m_lParent) +
                 " but is in the children of " +
                 (chain.parent != 0 ? Record(chain.parent) : std::string("the top level"))});
    }
    if (row.m_lPrev != chain.prev) {
      fault({ZLTreeFault::kInconsistent, row.m_lID,
             Record(row.m_lID) + " has PREV " + std::to_string(row.m_lPrev) + " but follows " +
                 (chain.prev != 0 ? Record(chain.prev) : std::string("nothing"))});
    }
    chains.back().prev = row.m_lID;
    chains.back().nextID = row.m_lNext;
    if (row.m_lFirstChild != 0) chains.push_back({row.m_lID, 0, row.m_lFirstChild});
  }
  for (const ZLTreeRow& row : rows) {
    for (int32_t ZLTreeRow::*field : {&ZLTreeRow::m_lParent, &ZLTreeRow::m_lFirstChild,
                                      &ZLTreeRow::m_lPrev, &ZLTreeRow::m_lNext}) {
      if (row.*field != 0 && index.Find(row.*field) == CTreeRowIndex::kNone) {
        fault({ZLTreeFault::kDangling, row.m_lID,
               Record(row.m_lID) + " has " + LinkName(field) + " " + std::to_string(row.*field) +
                   ", a record that does not exist"});
      }
    }
  }
  for (size_t i = 0; i < rows.size(); ++i) {
    if (!reached[i]) {
      fault({ZLTreeFault::kUnreached, rows[i].m_lID,
             Record(rows[i].m_lID) + " is not reached from the root"});
    }
  }
}

}  // namespace zl
