// Tolerances and stresses: the record's rows merged by ID, per-set values
// overriding the record's and defaulting to state 0 and empty texts, node
// names, refusals and all-or-nothing writes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/schema_sweep.h"

namespace {

CZLToleranceObject* Tolerance(long id, long node, const char* tolerance) {
  auto* t = new CZLToleranceObject;
  t->m_lToleranceID = id;
  t->m_lNodeID = node;
  t->m_lIndex = 2;
  t->m_lState = 1;
  t->m_strMinimum = "9";
  t->m_strMaximum = "11";
  t->m_strMeanValue = "10";
  t->m_strDeviation = "0.3";
  t->m_strTolerance = tolerance;
  t->m_strCharacteristic = "curve.chr";
  return t;
}

class ToleranceTest : public SchemaSweepTest {
 protected:
  void SetUp() override {
    SchemaSweepTest::SetUp();
    m_id = NewRecord(&m_mark);
    ASSERT_EQ(ZLCreateNewParamSet(m_hDB, m_id, m_set), 1);
    CZLNodeArray nodes;
    auto* node = new CZLNodeObject;
    node->m_strName = "R";
    nodes.Add(node);
    ASSERT_EQ(ZLSetNodesNCByID(m_hDB, m_id, nodes, 0), 1);
    m_node = node->m_lNodeID;
    ZLFreeObjectArray(nodes);
  }
  void TearDown() override {
    ZLFreeObjectArray(m_tolerances);
    ZLFreeObjectArray(m_read);
    SchemaSweepTest::TearDown();
  }
  long Rows(zl::ZLFixedTable table) {
    zl::CHandleLock lock(m_hDB);
    return lock.Record().recordsets[table]->GetRecordCount();
  }
  // The tolerances read for set as "id:tolerance/state".
  std::vector<std::string> Read(long set) {
    EXPECT_EQ(ZLGetTolerancesByID(m_hDB, m_id, m_read, set), 1);
    std::vector<std::string> out;
    for (int i = 0; i < m_read.GetSize(); ++i) {
      out.push_back(std::to_string(m_read[i]->m_lToleranceID) + ":" +
                    m_read[i]->m_strTolerance.str() + "/" + std::to_string(m_read[i]->m_lState));
    }
    return out;
  }

  long m_id = 0, m_set = 0, m_node = 0;
  COleVariant m_mark;
  CZLToleranceArray m_tolerances, m_read;
};

TEST_F(ToleranceTest, SetValuesOverrideTheRecordsAndDefaultToEmpty) {
  m_tolerances.Add(Tolerance(0, m_node, "5%"));
  m_tolerances.Add(Tolerance(0, m_node, "10%"));
  ASSERT_EQ(ZLSetTolerancesByBookmark(m_hDB, m_mark, m_tolerances, 0), 1) << ZLGetLastError();
  const long t1 = m_tolerances[0]->m_lToleranceID, t2 = m_tolerances[1]->m_lToleranceID;
  ASSERT_NE(t1, 0);
  ASSERT_NE(t2, t1);
  // The set gives the first tolerance its own values only.
  CZLToleranceArray setValues;
  setValues.Add(Tolerance(t1, 0, "1%"));
  setValues[0]->m_lState = 3;
  setValues[0]->m_lIndex = 77;  // not a set column: ignored
  setValues[0]->m_strCharacteristic = "set.chr";
  ASSERT_EQ(ZLSetTolerancesByID(m_hDB, m_id, setValues, m_set), 1) << ZLGetLastError();
  ZLFreeObjectArray(setValues);
  EXPECT_EQ(Read(0), (std::vector<std::string>{std::to_string(t1) + ":5%/1",
                                               std::to_string(t2) + ":10%/1"}));
  EXPECT_EQ(m_read[0]->m_strCharacteristic.str(), "curve.chr");
  EXPECT_EQ(Read(m_set),
            (std::vector<std::string>{std::to_string(t1) + ":1%/3", std::to_string(t2) + ":/0"}));
  for (int i = 0; i < 2; ++i) {
    const CZLToleranceObject& t = *m_read[i];
    EXPECT_EQ(t.m_lNodeID, m_node);
    EXPECT_EQ(t.m_lIndex, 2);
    EXPECT_EQ(t.m_strNodeName.str(), "R");  // both tolerances of the node are named
  }
  EXPECT_EQ(m_read[0]->m_strCharacteristic.str(), "set.chr");
  EXPECT_EQ(m_read[1]->m_strMinimum.str(), "");
  EXPECT_EQ(m_read[1]->m_strCharacteristic.str(), "");
  // A set value rewritten in place stays one row.
  setValues.Add(Tolerance(t1, 0, "2%"));
  ASSERT_EQ(ZLSetTolerancesByID(m_hDB, m_id, setValues, m_set), 1);
  ZLFreeObjectArray(setValues);
  EXPECT_EQ(Rows(zl::ZLT_TOLERANCE_VALUE), 1);
  EXPECT_EQ(Read(m_set)[0], std::to_string(t1) + ":2%/1");
}

TEST_F(ToleranceTest, MergeByIDKeepsNamedRowsAddsNewOnesAndDropsTheRestWithTheirValues) {
  for (const char* t : {"a", "b", "c"}) m_tolerances.Add(Tolerance(0, m_node, t));
  ASSERT_EQ(ZLSetTolerancesByID(m_hDB, m_id, m_tolerances, 0), 1);
  ASSERT_EQ(ZLSetTolerancesByID(m_hDB, m_id, m_tolerances, m_set), 1);
  ASSERT_EQ(Rows(zl::ZLT_TOLERANCE_VALUE), 3);
  const long kept = m_tolerances[1]->m_lToleranceID;
  CZLToleranceArray next;
  next.Add(Tolerance(kept, m_node, "b2"));
  next.Add(Tolerance(0, m_node, "d"));
  ASSERT_EQ(ZLSetTolerancesByID(m_hDB, m_id, next, 0), 1);
  const long added = next[1]->m_lToleranceID;
  EXPECT_GT(added, m_tolerances[2]->m_lToleranceID);  // IDs are never reused
  EXPECT_EQ(Read(0), (std::vector<std::string>{std::to_string(kept) + ":b2/1",
                                               std::to_string(added) + ":d/1"}));
  // Only the kept tolerance's set value is left.
  EXPECT_EQ(Rows(zl::ZLT_TOLERANCE_VALUE), 1);
  EXPECT_EQ(Read(m_set)[0], std::to_string(kept) + ":b/1");
  ZLFreeObjectArray(next);
  // An empty list deletes every tolerance and value of the record.
  ASSERT_EQ(ZLSetTolerancesByID(m_hDB, m_id, next, 0), 1);
  EXPECT_EQ(Rows(zl::ZLT_TOLERANCE), 0);
  EXPECT_EQ(Rows(zl::ZLT_TOLERANCE_VALUE), 0);
}

TEST_F(ToleranceTest, StressSetsOverrideStateMinimumAndMaximumOnly) {
  CZLStressArray stresses, read;
  auto* s = new CZLStressObject;
  s->m_lIndex = 1;
  s->m_lState = 2;
  s->m_lType = 3;
  s->m_lLimit = 4;
  s->m_strReference = "Tj";
  s->m_strMinimum = "-40";
  s->m_strMaximum = "125";
  stresses.Add(s);
  ASSERT_EQ(ZLSetStressByID(m_hDB, m_id, stresses, 0), 1);
  ASSERT_NE(s->m_lQualityID, 0);
  ASSERT_EQ(ZLGetStressByBookmark(m_hDB, m_mark, read, m_set), 1);
  ASSERT_EQ(read.GetSize(), 1);
  EXPECT_EQ(read[0]->m_lState, 0);
  EXPECT_EQ(read[0]->m_strMaximum.str(), "");
  EXPECT_EQ(read[0]->m_strReference.str(), "Tj");
  s->m_lState = 9;
  s->m_lLimit = 99;  // not a set column
  s->m_strMaximum = "150";
  ASSERT_EQ(ZLSetStressByBookmark(m_hDB, m_mark, stresses, m_set), 1);
  ASSERT_EQ(ZLGetStressByID(m_hDB, m_id, read, m_set), 1);
  EXPECT_EQ(read[0]->m_lState, 9);
  EXPECT_EQ(read[0]->m_strMaximum.str(), "150");
  EXPECT_EQ(read[0]->m_strMinimum.str(), "-40");
  EXPECT_EQ(read[0]->m_lLimit, 4);
  EXPECT_EQ(read[0]->m_lType, 3);
  ASSERT_EQ(ZLGetStressByID(m_hDB, m_id, read, 0), 1);
  EXPECT_EQ(read[0]->m_lState, 2);
  EXPECT_EQ(read[0]->m_strMaximum.str(), "125");
  ZLFreeObjectArray(stresses);
  ZLFreeObjectArray(read);
}

TEST_F(ToleranceTest, SetWritesRefuseForeignSetsAndToleranceIDs) {
  m_tolerances.Add(Tolerance(0, m_node, "5%"));
  ASSERT_EQ(ZLSetTolerancesByID(m_hDB, m_id, m_tolerances, 0), 1);
  const long other = NewRecord();
  long otherSet = 0;
  ASSERT_EQ(ZLCreateNewParamSet(m_hDB, other, otherSet), 1);
  const struct {
    long record, set, tolerance;
  } cases[] = {
      {m_id, otherSet, m_tolerances[0]->m_lToleranceID},   // a set of another record
      {m_id, 12345, m_tolerances[0]->m_lToleranceID},      // no such set
      {m_id, m_set, 12345},                                // no such tolerance
      {other, otherSet, m_tolerances[0]->m_lToleranceID},  // another record's tolerance
  };
  for (const auto& c : cases) {
    CZLToleranceArray values;
    values.Add(Tolerance(c.tolerance, 0, "x"));
    EXPECT_EQ(FailCode(ZLSetTolerancesByID(m_hDB, c.record, values, c.set)), ZLE_NO_RECORD);
    ZLFreeObjectArray(values);
  }
  EXPECT_EQ(Rows(zl::ZLT_TOLERANCE_VALUE), 0);
  // A text beyond its column's size fails the whole write.
  m_tolerances.Add(Tolerance(0, m_node, std::string(300, 'x').c_str()));
  EXPECT_EQ(FailCode(ZLSetTolerancesByID(m_hDB, m_id, m_tolerances, 0)), ZLE_ENGINE);
  EXPECT_EQ(m_tolerances[1]->m_lToleranceID, 0);  // no ID handed out
  EXPECT_EQ(Rows(zl::ZLT_TOLERANCE), 1);
}

TEST_F(ToleranceTest, WritesAreAllOrNothing) {
  for (const char* t : {"a", "b"}) m_tolerances.Add(Tolerance(0, m_node, t));
  ASSERT_EQ(ZLSetTolerancesByID(m_hDB, m_id, m_tolerances, 0), 1);
  ASSERT_EQ(ZLSetTolerancesByID(m_hDB, m_id, m_tolerances, m_set), 1);
  CZLToleranceArray next;
  next.Add(Tolerance(m_tolerances[0]->m_lToleranceID, m_node, "changed"));
  next.Add(Tolerance(0, m_node, "new"));
  ExpectAllOrNothing([&] { return ZLSetTolerancesByID(m_hDB, m_id, next, 0); },
                     [&] {
                       next[1]->m_lToleranceID = 0;
                       ASSERT_EQ(ZLSetTolerancesByID(m_hDB, m_id, m_tolerances, 0), 1);
                       ASSERT_EQ(ZLSetTolerancesByID(m_hDB, m_id, m_tolerances, m_set), 1);
                     });
  ZLFreeObjectArray(next);
}

}  // namespace
