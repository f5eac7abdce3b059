// The rebuilding of tree links: which records the walk from the root
// reaches, where the passes hang the others, and that the result is always
// one consistent tree holding every record once.
#include "maintenance/repair_tree.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>

namespace {

using zl::ZLRelinkResult;
using zl::ZLTreeRow;

constexpr int32_t F = zl::kFolderRecordType;
constexpr int32_t M = 0;

// Walks the result from its top-level chain and renders it as
// "1(2,3(4)),5"; fails the test when a record is met twice or missing, or
// when a PARENT or PREV disagrees with the place the record is met in.
std::string Render(const ZLRelinkResult& result) {
  std::map<int32_t, const ZLTreeRow*> byID;
  int32_t top = 0;
  for (const ZLTreeRow& row : result.m_rows) {
    byID[row.m_lID] = &row;
    if (row.m_lParent == 0 && row.m_lPrev == 0) {
      EXPECT_EQ(top, 0) << "two top-level chains";
      top = row.m_lID;
    }
  }
  std::set<int32_t> seen;
  std::string out;
  struct Walk {
    std::map<int32_t, const ZLTreeRow*>& rows;
    std::set<int32_t>& seen;
    std::string& out;
    void Chain(int32_t first, int32_t parent) {
      int32_t prev = 0;
      for (int32_t id = first; id != 0; id = rows.at(id)->m_lNext) {
        ASSERT_TRUE(rows.count(id)) << id;
        ASSERT_TRUE(seen.insert(id).second) << id << " met twice";
        const ZLTreeRow& row = *rows.at(id);
        EXPECT_EQ(row.m_lParent, parent) << id;
        EXPECT_EQ(row.m_lPrev, prev) << id;
        if (prev != 0) out += ",";
        out += std::to_string(id);
        if (row.m_lFirstChild != 0) {
          out += "(";
          Chain(row.m_lFirstChild, id);
          out += ")";
        }
        prev = id;
      }
    }
  } walk{byID, seen, out};
  if (top != 0) walk.Chain(top, 0);
  EXPECT_EQ(seen.size(), result.m_rows.size()) << "records left out of the tree";
  return out;
}

// Rows as "id type parent first prev next" (type F or M), separated by ",".
std::vector<ZLTreeRow> Rows(const std::string& text) {
  std::vector<ZLTreeRow> rows;
  std::istringstream in(text);
  ZLTreeRow row{};
  char type = 0, comma = 0;
  while (in >> row.m_lID >> type >> row.m_lParent >> row.m_lFirstChild >> row.m_lPrev >>
         row.m_lNext) {
    row.m_lType = type == 'F' ? F : M;
    rows.push_back(row);
    in >> comma;
  }
  return rows;
}

struct RelinkCase {
  const char* name;
  const char* rows;
  const char* tree;
  size_t reached;
  size_t cycles;
};

class RelinkTreeTest : public ::testing::TestWithParam<RelinkCase> {};

TEST_P(RelinkTreeTest, BuildsTheExpectedTree) {
  const RelinkCase& c = GetParam();
  const std::vector<ZLTreeRow> rows = Rows(c.rows);
  const ZLRelinkResult result = zl::RelinkTree(rows);
  EXPECT_EQ(Render(result), c.tree);
  EXPECT_EQ(result.m_nReached, c.reached);
  EXPECT_EQ(result.m_nReattached, rows.size() - c.reached);
  EXPECT_EQ(result.m_nCyclesBroken, c.cycles);
  size_t changed = 0;
  for (size_t i = 0; i < rows.size(); ++i) changed += !result.m_rows[i].SameLinks(rows[i]);
  EXPECT_EQ(result.m_nChanged, changed);
}

// The healthy tree 1(2,3(4)),5 as stored.
#define ZL_HEALTHY "1 F 0 2 0 5, 2 M 1 0 0 3, 3 F 1 4 2 0, 4 M 3 0 0 0, 5 M 0 0 1 0"

INSTANTIATE_TEST_SUITE_P(
    Cases, RelinkTreeTest,
    ::testing::Values(
        RelinkCase{"Empty", "", "", 0, 0},
        RelinkCase{"HealthyTreeStaysAsItIs", ZL_HEALTHY, "1(2,3(4)),5", 5, 0},
        // The root search starts at the smallest ID, deep in the tree.
        RelinkCase{"RootFoundFromADeepFirstRecord", "1 M 3 0 0 0, 2 M 0 0 3 0, 3 F 0 1 0 2",
                   "3(1),2", 3, 0},
        // 6 names folder 3 as parent, but nobody's links lead to it.
        RelinkCase{"UnlinkedRecordBecomesLastChildOfItsParent", ZL_HEALTHY ", 6 M 3 0 4 0",
                   "1(2,3(4,6)),5", 5, 0},
        // 6 and 7 wait for 5, whose own parent is gone; 5 goes to the top.
        RelinkCase{"SecondPassHangsRecordsUnderAReattachedParent",
                   "1 F 0 0 0 0, 5 F 99 0 0 0, 6 M 5 0 0 0, 7 M 5 0 0 0", "1,5(7,6)", 1, 0},
        // A pass runs from the highest ID down: 3 and 4 come under 8 in the
        // pass that attaches 8, 9 and 10 one pass later.
        RelinkCase{"PassOrderDecidesTheOrderOfReattachedChildren",
                   "1 F 0 0 0 0, 3 M 8 0 0 0, 4 M 8 0 0 0, 8 F 0 0 0 0, 9 M 8 0 0 0, 10 M 8 0 0 0",
                   "1,8(4,3,10,9)", 1, 0},
        // One record left waiting after a pass is still hung back.
        RelinkCase{"LastWaitingRecordIsNotLeftOut", "1 F 0 0 0 0, 2 F 50 0 0 0, 3 M 2 0 0 0",
                   "1,2(3)", 1, 0},
        RelinkCase{"ParentCycleBrokenAtTheTopLevel", "1 F 0 0 0 0, 5 F 6 0 0 0, 6 F 5 0 0 0",
                   "1,6(5)", 1, 1},
        // 7 hangs below the cycle: the walk up from it enters the cycle at 5.
        RelinkCase{"CycleEnteredFromAWaitingRecordBreaksAtItsEntry",
                   "1 F 0 0 0 0, 5 F 6 0 0 0, 6 F 5 0 0 0, 7 M 5 0 0 0", "1,5(7,6)", 1, 1},
        RelinkCase{"OwnParentIsACycleOfOne", "1 F 0 0 0 0, 2 F 2 0 0 0", "1,2", 1, 1},
        RelinkCase{"TwoSeparateCycles",
                   "1 F 0 0 0 0, 2 F 3 0 0 0, 3 F 2 0 0 0, 4 F 5 0 0 0, 5 F 4 0 0 0", "1,5(4),3(2)",
                   1, 2},
        // Sibling links that loop end the chain where a record comes round.
        RelinkCase{"SiblingCycleEndsTheChain", "1 F 0 2 0 0, 2 M 1 0 0 3, 3 M 1 0 2 2", "1(2,3)", 3,
                   0},
        RelinkCase{"LinksToMissingRecordsEndChains", "1 F 0 40 0 41, 2 M 1 0 0 0", "1(2)", 1, 0},
        // A model's FIRSTCHILD is not followed; its child comes back by
        // PARENT.
        RelinkCase{"ChildrenOfAModelAreReattachedByParent", "1 M 0 2 0 0, 2 M 1 0 0 0", "1(2)", 1,
                   0},
        // A folder reached through two chains stays in the first.
        RelinkCase{"RecordInTwoChainsStaysInTheFirst", "1 F 0 2 0 3, 2 M 1 0 0 0, 3 F 0 2 1 0",
                   "1(2),3", 3, 0}),
    [](const ::testing::TestParamInfo<RelinkCase>& info) { return std::string(info.param.name); });

// The passes run literally, one after another over every record left, as
// the reference the relinking must agree with.
std::string LiteralPasses(const std::vector<ZLTreeRow>& rows) {
  std::map<int32_t, const ZLTreeRow*> byID;
  for (const ZLTreeRow& row : rows) byID[row.m_lID] = &row;
  std::set<int32_t> left;
  for (const ZLTreeRow& row : rows) left.insert(row.m_lID);
  std::map<int32_t, std::vector<int32_t>> children;  // 0: the top level
  std::set<int32_t> inTree;
  auto attach = [&](int32_t id, int32_t parent) {
    children[parent].push_back(id);
    inTree.insert(id);
    left.erase(id);
  };
  auto follow = [&](int32_t id, int32_t ZLTreeRow::*field) {
    std::set<int32_t> met{id};
    for (;;) {
      const int32_t next = byID.at(id)->*field;
      if (!byID.count(next) || !met.insert(next).second) return id;
      id = next;
    }
  };
  std::function<void(int32_t, int32_t)> build = [&](int32_t id, int32_t parent) {
    for (; left.count(id); id = byID.at(id)->m_lNext) {
      attach(id, parent);
      if (byID.at(id)->m_lType == F) build(byID.at(id)->m_lFirstChild, id);
    }
  };
  if (!rows.empty()) {
    build(follow(follow(rows[0].m_lID, &ZLTreeRow::m_lParent), &ZLTreeRow::m_lPrev), 0);
  }
  while (!left.empty()) {
    bool progress = false;
    const std::vector<int32_t> pass(left.rbegin(), left.rend());
    for (int32_t id : pass) {
      const int32_t parent = byID.at(id)->m_lParent;
      if (inTree.count(parent)) {
        attach(id, parent);
        progress = true;
      } else if (!left.count(parent)) {
        attach(id, 0);
        progress = true;
      }
    }
    if (progress) continue;
    std::set<int32_t> met;
    int32_t id = *left.rbegin();
    while (met.insert(id).second) id = byID.at(id)->m_lParent;
    attach(id, 0);
  }
  std::string out;
  std::function<void(int32_t)> render = [&](int32_t parent) {
    bool first = true;
    for (int32_t id : children[parent]) {
      out += first ? "" : ",";
      first = false;
      out += std::to_string(id);
      if (!children[id].empty()) {
        out += "(";
        render(id);
        out += ")";
      }
    }
  };
  render(0);
  return out;
}

// Links of any kind, however wrong, always give one tree with every record,
// the tree the literal passes give.
TEST(RelinkTreeRandomTest, AnyLinksGiveOneConsistentTree) {
  size_t reattached = 0, cycles = 0;
  for (unsigned seed = 1; seed <= 200; ++seed) {
    std::mt19937 random(seed);
    const int n = 1 + static_cast<int>(random() % 40);
    auto link = [&] {
      return random() % 3 == 0 ? 0 : static_cast<int32_t>(1 + random() % (n + 5));
    };
    std::vector<ZLTreeRow> rows;
    for (int32_t id = 1; id <= n; ++id) {
      rows.push_back({id, random() % 2 == 0 ? F : M, link(), link(), link(), link()});
    }
    const ZLRelinkResult result = zl::RelinkTree(rows);
    SCOPED_TRACE("seed " + std::to_string(seed));
    EXPECT_EQ(Render(result), LiteralPasses(rows));
    reattached += result.m_nReattached;
    cycles += result.m_nCyclesBroken;
    // Relinking the result changes nothing, unless a model was given
    // children: the walk does not go below models, so they come back by
    // PARENT, from the highest ID down.
    bool modelWithChildren = false;
    for (const ZLTreeRow& row : result.m_rows) {
      modelWithChildren = modelWithChildren || (row.m_lType == M && row.m_lFirstChild != 0);
    }
    if (!modelWithChildren) {
      EXPECT_EQ(zl::RelinkTree(result.m_rows).m_nChanged, 0u);
    }
  }
  // The runs met both kinds of leftover.
  EXPECT_GT(reattached, 200u);
  EXPECT_GT(cycles, 20u);
}

}  // namespace
