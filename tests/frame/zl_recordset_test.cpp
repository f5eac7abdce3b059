// Walking the rows that share a key with SeekNext, and switching indexes
// for the length of a block.
#include "schema/zl_recordset.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/library_fixture.h"

namespace {

class SeekNextTest : public LibraryTest {
 protected:
  // PARAMVALUE rows (node, set, type): its index is on all three fields.
  void AddValue(int32_t node, int32_t set, int32_t type) {
    zl::CHandleLock lock(m_hDB);
    CZLRecordset& values = *lock.Record().recordsets[zl::ZLT_PARAMVALUE];
    values.AddNew();
    values.SetFieldValue("NODE_ID", COleVariant(node));
    values.SetFieldValue("PARAM_ID", COleVariant(set));
    values.SetFieldValue("NODE_TYPE", COleVariant(type));
    values.Update();
  }
};

TEST_F(SeekNextTest, WalksEqualKeysAndStopsAtTheEnd) {
  AddValue(7, 1, 0);
  AddValue(7, 2, 0);
  AddValue(7, 2, 1);
  AddValue(9, 2, 0);
  zl::CHandleLock lock(m_hDB);
  CZLRecordset& values = *lock.Record().recordsets[zl::ZLT_PARAMVALUE];
  COleVariant node(int32_t{7});
  ASSERT_TRUE(values.Seek("=", &node));
  int count = 1;
  while (values.SeekNext("NODE_ID", &node)) ++count;
  EXPECT_EQ(count, 3);
  // The walk stopped on the first row of another node.
  EXPECT_EQ(values.GetFieldValue("NODE_ID").lVal, 9);

  // Two fields: the second must match too.
  COleVariant set(int32_t{2});
  ASSERT_TRUE(values.Seek("=", &node, &set));
  EXPECT_EQ(values.SeekNext("NODE_ID", &node, "PARAM_ID", &set), 1);
  EXPECT_EQ(values.SeekNext("NODE_ID", &node, "PARAM_ID", &set), 0);

  // On the last row: 0, and the recordset stays at its end.
  values.MoveLast();
  COleVariant last(int32_t{9});
  EXPECT_EQ(values.SeekNext("NODE_ID", &last), 0);
  EXPECT_TRUE(values.IsEOF());
  EXPECT_EQ(values.SeekNext("NODE_ID", &last), 0);
  EXPECT_TRUE(values.IsEOF());
  // Kinds must match: a 16-bit key never equals a 32-bit field.
  ASSERT_TRUE(values.Seek("=", &node));
  COleVariant shortNode(int16_t{7});
  EXPECT_EQ(values.SeekNext("NODE_ID", &shortNode), 0);
}

TEST_F(SeekNextTest, IndexSwitchRestoresTheIndexOnEveryWayOut) {
  zl::CHandleLock lock(m_hDB);
  CZLRecordset& paramsets = *lock.Record().recordsets[zl::ZLT_PARAMSET];
  {
    CIndexSwitch byRecord(paramsets, "MODEL_ID_INDEX");
    EXPECT_EQ(std::string(paramsets.GetCurrentIndex()), "MODEL_ID_INDEX");
  }
  EXPECT_EQ(std::string(paramsets.GetCurrentIndex()), "PARAM_ID_INDEX");
  try {
    CIndexSwitch byRecord(paramsets, "MODEL_ID_INDEX");
    throw 1;
  } catch (int) {
  }
  EXPECT_EQ(std::string(paramsets.GetCurrentIndex()), "PARAM_ID_INDEX");
}

}  // namespace
