// The shared sub-table write patterns on a real table (a call table: rows
// owned by MODEL_ID, ID CALL_ID): overwrite in place, merge by ID in both
// modes, per-set upsert, each all-or-nothing.
#include "content/row_patterns.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "engine/dao_errors.h"
#include "simlang/simtable_registry.h"
#include "support/library_fixture.h"

namespace {

using zl::CRowWrite;

class RowPatternTest : public LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    ASSERT_EQ(ZLAddCallTable(m_hDB, "Spice", 0), 1);
    m_lock.reset(new zl::CHandleLock(m_hDB));
    m_rs = zl::FindSimulatorTable(m_lock->Record(), zl::ZLS_CALL, "Spice");
    ASSERT_NE(m_rs, nullptr);
  }
  void TearDown() override {
    m_lock.reset();
    LibraryTest::TearDown();
  }
  long Add(long owner, const char* key) {
    CRowWrite row(*m_rs, CRowWrite::kAddNew);
    row.Set("MODEL_ID", zl::IDKey(owner));
    row.Set("CALL_KEY", COleVariant(key));
    row.Update();
    m_rs->SetBookmark(m_rs->GetLastModifiedBookmark());
    return m_rs->GetFieldValue("CALL_ID").lVal;
  }
  // The owner's rows as "id:key" in index order.
  std::vector<std::string> Rows(long owner) {
    std::vector<std::string> rows;
    zl::ForEachOwnedRow(*m_rs, "MODEL_ID", owner, [&](CZLRecordset& row) {
      rows.push_back(std::to_string(row.GetFieldValue("CALL_ID").lVal) + ":" +
                     row.GetFieldValue("CALL_KEY").GetStringValue());
      return true;
    });
    return rows;
  }

  std::unique_ptr<zl::CHandleLock> m_lock;
  CZLRecordset* m_rs = nullptr;
};

TEST_F(RowPatternTest, OverwriteInPlaceEditsAddsAndDeletesInOrder) {
  const long a = Add(1, "a"), b = Add(1, "b");
  Add(1, "c");
  const long other = Add(2, "x");
  const std::vector<std::string> keys = {"A", "B"};
  auto write = [&](size_t i, CRowWrite& row) { row.Set("CALL_KEY", COleVariant(keys[i].c_str())); };
  zl::OverwriteInPlace(*m_rs, "MODEL_ID", 1, keys.size(), write);
  EXPECT_EQ(Rows(1),
            (std::vector<std::string>{std::to_string(a) + ":A", std::to_string(b) + ":B"}));
  const std::vector<std::string> more = {"1", "2", "3", "4"};
  zl::OverwriteInPlace(*m_rs, "MODEL_ID", 1, more.size(), [&](size_t i, CRowWrite& row) {
    row.Set("CALL_KEY", COleVariant(more[i].c_str()));
  });
  EXPECT_EQ(Rows(1).size(), 4u);
  EXPECT_EQ(Rows(1).front(), std::to_string(a) + ":1");
  EXPECT_EQ(Rows(2), std::vector<std::string>{std::to_string(other) + ":x"});
  // A failing row write undoes the rows written before it.
  const std::vector<std::string> before = Rows(1);
  EXPECT_THROW(zl::OverwriteInPlace(
                   *m_rs, "MODEL_ID", 1, 2,
                   [&](size_t i, CRowWrite& row) {
                     row.Set("CALL_KEY", COleVariant(i == 0 ? "ok" : std::string(31, 'k').c_str()));
                   }),
               CDaoException);
  EXPECT_EQ(Rows(1), before);
}

TEST_F(RowPatternTest, MergeByIDKeepsNamedRowsAndReusesOrDropsTheRest) {
  const long a = Add(1, "a"), b = Add(1, "b");
  Add(1, "c");
  long keep = b, fresh = 0, foreign = 999;
  std::vector<long> dropped;
  zl::MergeRowsByID(*m_rs, "MODEL_ID", 1, "CALL_ID", {&fresh, &keep, &foreign},
                    zl::ERowReuse::kReuseUnclaimed);
  EXPECT_EQ(fresh, a);  // the first unclaimed row goes to the first new object
  EXPECT_EQ(Rows(1),
            (std::vector<std::string>{std::to_string(a) + ":a", std::to_string(b) + ":b"}));
  long none = 0;
  zl::MergeRowsByID(
      *m_rs, "MODEL_ID", 1, "CALL_ID", {&keep, &none}, zl::ERowReuse::kDropUnclaimed,
      [&](CZLRecordset& row) { dropped.push_back(row.GetFieldValue("CALL_ID").lVal); });
  EXPECT_EQ(none, 0);
  EXPECT_EQ(dropped, std::vector<long>{a});
  EXPECT_EQ(Rows(1), std::vector<std::string>{std::to_string(b) + ":b"});
}

// Seeded random merges of a few hundred rows against an in-memory model of
// the rule: claimed rows stay, unclaimed ones go to the zero IDs in order
// (when reused) or are deleted.
TEST_F(RowPatternTest, MergeByIDMatchesTheModelOnRandomLists) {
  std::mt19937 random(20261207);
  for (zl::ERowReuse reuse : {zl::ERowReuse::kReuseUnclaimed, zl::ERowReuse::kDropUnclaimed}) {
    const long owner = reuse == zl::ERowReuse::kReuseUnclaimed ? 10 : 11;
    std::vector<long> rows;
    for (int i = 0; i < 300; ++i) rows.push_back(Add(owner, "r"));
    std::vector<long> ids;
    for (long row : rows) {
      const unsigned roll = random() % 4;
      if (roll == 0) ids.push_back(row);     // claimed
      if (roll == 1) ids.push_back(0);       // new object
      if (roll == 2) ids.push_back(100000);  // names no row of the owner
    }
    std::shuffle(ids.begin(), ids.end(), random);
    // The model.
    std::vector<long> expectedIDs = ids;
    std::vector<long> expectedRows;
    std::set<long> claimed(ids.begin(), ids.end());
    size_t nextNew = 0;
    for (long row : rows) {
      if (claimed.count(row) != 0) {
        expectedRows.push_back(row);
        continue;
      }
      if (reuse == zl::ERowReuse::kReuseUnclaimed) {
        while (nextNew < ids.size() && expectedIDs[nextNew] != 0) ++nextNew;
        if (nextNew < ids.size()) {
          expectedIDs[nextNew++] = row;
          expectedRows.push_back(row);
        }
      }
    }
    std::vector<long*> slots;
    for (long& id : ids) slots.push_back(&id);
    zl::MergeRowsByID(*m_rs, "MODEL_ID", owner, "CALL_ID", slots, reuse);
    EXPECT_EQ(ids, expectedIDs);
    std::vector<std::string> expected;
    for (long row : expectedRows) expected.push_back(std::to_string(row) + ":r");
    EXPECT_EQ(Rows(owner), expected);
  }
}

TEST_F(RowPatternTest, UpsertAddsOnceThenEditsAndDeleteByKeyReports) {
  ASSERT_EQ(m_rs->GetCurrentIndex(), "MODEL_ID_INDEX");
  auto set = [&](const char* key) {
    return zl::UpsertRow(*m_rs, {"MODEL_ID"}, {zl::IDKey(7)},
                         [&](CRowWrite& row) { row.Set("CALL_KEY", COleVariant(key)); });
  };
  EXPECT_TRUE(set("first"));
  EXPECT_FALSE(set("second"));
  ASSERT_EQ(Rows(7).size(), 1u);
  EXPECT_NE(Rows(7).front().find(":second"), std::string::npos);
  EXPECT_TRUE(zl::DeleteRowByKey(*m_rs, {zl::IDKey(7)}));
  EXPECT_FALSE(zl::DeleteRowByKey(*m_rs, {zl::IDKey(7)}));
  EXPECT_FALSE(zl::SeekID(*m_rs, 1L << 40));  // an ID no key can hold finds nothing
}

}  // namespace
