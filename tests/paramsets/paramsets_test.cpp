// Parameter sets: the set list and first set, unlinked new sets, links
// written as asked (0 as NULL), deletion that takes every per-set row with
// it while the record's nodes, tolerances and stresses stay, and
// all-or-nothing writes.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "frame/dbinfo.h"
#include "frame/last_error.h"
#include "resources/language_texts.h"
#include "support/schema_sweep.h"

namespace {

constexpr WORD kEN = 1033;

class ParamSetTest : public SchemaSweepTest {
 protected:
  void SetUp() override {
    SchemaSweepTest::SetUp();
    ASSERT_EQ(ZLAddResourceTable(m_hDB, kEN), 1);
    m_id = NewRecord(&m_mark);
  }

  long NewSet(long record) {
    long id = 0;
    EXPECT_EQ(ZLCreateNewParamSet(m_hDB, record, id), 1) << ZLGetLastError();
    EXPECT_NE(id, 0);
    return id;
  }

  std::vector<long> AllSets(long record) {
    CArray<long, long> ids;
    EXPECT_EQ(ZLGetAllParamSetByID(m_hDB, record, ids), 1);
    std::vector<long> out;
    for (int i = 0; i < ids.GetSize(); ++i) out.push_back(ids[i]);
    return out;
  }

  // Rows of a fixed table whose field equals value.
  long Rows(zl::ZLFixedTable table, const char* field, long value) {
    zl::CHandleLock lock(m_hDB);
    CZLRecordset& rs = *lock.Record().recordsets[table];
    long count = 0;
    if (rs.GetRecordCount() == 0) return 0;
    for (rs.MoveFirst(); !rs.IsEOF(); rs.MoveNext()) {
      const COleVariant v = rs.GetFieldValue(field);
      if (v.vt == VT_I4 && v.lVal == value) ++count;
    }
    return count;
  }

  // A record's content for every kind of per-set row: two non-conservative
  // nodes and one conservative node, a tolerance, a stress, a keyword of
  // its own; for set: node values, a tolerance value, a stress value, a
  // keyword and a title.
  void Fill(long record, const std::vector<long>& sets) {
    CZLNodeArray nodes;
    for (const char* name : {"r", "c"}) {
      auto* node = new CZLNodeObject;
      node->m_strName = name;
      node->m_strValue = "1k";
      nodes.Add(node);
    }
    ASSERT_EQ(ZLSetNodesNCByID(m_hDB, record, nodes, 0), 1);
    ASSERT_EQ(ZLSetNodesCByID(m_hDB, record, nodes), 1);
    ZLFreeObjectArray(nodes);
    ASSERT_EQ(ZLGetNodesNCByID(m_hDB, record, nodes, 0), 1);
    CZLToleranceArray tolerances;
    auto* tolerance = new CZLToleranceObject;
    tolerance->m_lNodeID = nodes[0]->m_lNodeID;
    tolerance->m_strTolerance = "5%";
    tolerances.Add(tolerance);
    ASSERT_EQ(ZLSetTolerancesByID(m_hDB, record, tolerances, 0), 1);
    CZLStressArray stresses;
    auto* stress = new CZLStressObject;
    stress->m_strMaximum = "0.25W";
    stresses.Add(stress);
    ASSERT_EQ(ZLSetStressByID(m_hDB, record, stresses, 0), 1);
    CZLKeywordArray own;
    auto* keyword = new CZLKeywordObject;
    keyword->m_strKeyword = "resistor";
    own.Add(keyword);
    ASSERT_EQ(ZLSetKeywordsByID(m_hDB, record, kEN, own, 0), 1);
    for (long set : sets) {
      for (int i = 0; i < nodes.GetSize(); ++i) nodes[i]->m_strValue = "2k";
      ASSERT_EQ(ZLSetNodesNCByID(m_hDB, record, nodes, set), 1);
      tolerance->m_strTolerance = "1%";
      ASSERT_EQ(ZLSetTolerancesByID(m_hDB, record, tolerances, set), 1);
      stress->m_strMaximum = "0.5W";
      ASSERT_EQ(ZLSetStressByID(m_hDB, record, stresses, set), 1);
      CZLKeywordArray setWords;
      auto* word = new CZLKeywordObject;
      word->m_strKeyword = "precision";
      setWords.Add(word);
      ASSERT_EQ(ZLSetKeywordsByID(m_hDB, record, kEN, setWords, set), 1);
      ZLFreeObjectArray(setWords);
      ASSERT_EQ(ZLSetTitleByID(m_hDB, record, kEN, "variant", set), 1);
    }
    ZLFreeObjectArray(nodes);
    ZLFreeObjectArray(tolerances);
    ZLFreeObjectArray(stresses);
    ZLFreeObjectArray(own);
  }

  long m_id = 0;
  COleVariant m_mark;
};

TEST_F(ParamSetTest, RecordWithoutSetsHasNoFirstAndAnEmptyList) {
  long first = 99;
  zl::SetLastError(5);
  EXPECT_EQ(ZLGetFirstParamSetByID(m_hDB, m_id, first), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_OK);
  EXPECT_EQ(first, 0);
  CArray<long, long> ids;
  ids.Add(7);
  EXPECT_EQ(ZLGetAllParamSetByBookmark(m_hDB, m_mark, ids), 1);
  EXPECT_EQ(ids.GetSize(), 0);
  long id = 0;
  EXPECT_EQ(FailCode(ZLCreateNewParamSet(m_hDB, m_id + 100, id)), ZLE_NO_RECORD);
  EXPECT_EQ(id, 0);
}

TEST_F(ParamSetTest, NewSetsStayUnlinkedUntilTheCallerLinksThem) {
  const long a = NewSet(m_id);
  long first = 0;
  EXPECT_EQ(ZLGetFirstParamSetByBookmark(m_hDB, m_mark, first), 1);
  EXPECT_EQ(first, a);  // the only set with an empty PREV
  const long b = NewSet(m_id);
  const long other = NewSet(NewRecord());
  EXPECT_EQ(AllSets(m_id), (std::vector<long>{a, b}));
  long link = -1;
  EXPECT_EQ(ZLGetNextParamSetByParamID(m_hDB, a, link), 1);
  EXPECT_EQ(link, 0);
  // Linking b after a makes a the first and b reachable from it.
  ASSERT_EQ(ZLSetPrevParamSetByParamID(m_hDB, a, b), 1);  // first a wrong link
  EXPECT_EQ(ZLGetFirstParamSetByID(m_hDB, m_id, first), 1);
  EXPECT_EQ(first, b);
  ASSERT_EQ(ZLSetPrevParamSetByParamID(m_hDB, a, 0), 1);
  ASSERT_EQ(ZLSetNextParamSetByParamID(m_hDB, a, b), 1);
  ASSERT_EQ(ZLSetPrevParamSetByParamID(m_hDB, b, a), 1);
  EXPECT_EQ(ZLGetFirstParamSetByID(m_hDB, m_id, first), 1);
  EXPECT_EQ(first, a);
  EXPECT_EQ(ZLGetNextParamSetByParamID(m_hDB, a, link), 1);
  EXPECT_EQ(link, b);
  EXPECT_EQ(ZLGetPrevParamSetByParamID(m_hDB, b, link), 1);
  EXPECT_EQ(link, a);
  // Neighbour 0 stores NULL, which reads back as 0.
  ASSERT_EQ(ZLSetNextParamSetByParamID(m_hDB, a, 0), 1);
  EXPECT_EQ(ZLGetNextParamSetByParamID(m_hDB, a, link), 1);
  EXPECT_EQ(link, 0);
  {
    zl::CHandleLock lock(m_hDB);
    CZLRecordset& sets = *lock.Record().recordsets[zl::ZLT_PARAMSET];
    COleVariant key(static_cast<int32_t>(a));
    ASSERT_TRUE(sets.Seek("=", &key));
    EXPECT_EQ(sets.GetFieldValue("NEXT").vt, VT_NULL);
  }
  EXPECT_EQ(AllSets(m_id + 1), (std::vector<long>{other}));
  // Missing sets.
  EXPECT_EQ(FailCode(ZLGetNextParamSetByParamID(m_hDB, 999, link)), ZLE_NO_RECORD);
  EXPECT_EQ(FailCode(ZLSetNextParamSetByParamID(m_hDB, 999, a)), ZLE_NO_RECORD);
}

TEST_F(ParamSetTest, StructureChangesRenewTheLayoutStamp) {
  const COleDateTime old(2000, 1, 1, 0, 0, 0);
  // Runs op after setting the stamp back to 2000; true when op renewed it.
  auto renews = [&](const std::function<int()>& op) {
    {
      zl::CHandleLock lock(m_hDB);
      const COleVariant value(old);
      zl::WriteDbInfoField(lock.Record(), "LASTLAYOUTCHANGE", &value);
    }
    EXPECT_EQ(op(), 1) << ZLGetLastError();
    COleDateTime after;
    EXPECT_EQ(ZLGetLastLayoutChangeDate(m_hDB, after), 1);
    return after.m_dt > old.m_dt;
  };
  long set = 0;
  EXPECT_TRUE(renews([&] { return ZLCreateNewParamSet(m_hDB, m_id, set); }));
  EXPECT_TRUE(renews([&] { return ZLSetNextParamSetByParamID(m_hDB, set, 0); }));
  EXPECT_TRUE(renews([&] { return ZLSetPrevParamSetByParamID(m_hDB, set, 0); }));
  CArray<long, long> ids;
  EXPECT_FALSE(renews([&] { return ZLGetAllParamSetByID(m_hDB, m_id, ids); }));
  EXPECT_TRUE(renews([&] { return ZLDeleteParamSetByParamID(m_hDB, m_id, set); }));
}

TEST_F(ParamSetTest, DeletingASetTakesItsRowsAndLeavesTheRecordAndOtherSets) {
  const long gone = NewSet(m_id);
  const long kept = NewSet(m_id);
  Fill(m_id, {gone, kept});
  const long ncBefore = Rows(zl::ZLT_NODE_NC, "MODEL_ID", m_id);
  const long cBefore = Rows(zl::ZLT_NODE_C, "MODEL_ID", m_id);
  ASSERT_EQ(ncBefore, 2);
  ASSERT_EQ(Rows(zl::ZLT_PARAMVALUE, "PARAM_ID", gone), 2);
  ASSERT_EQ(Rows(zl::ZLT_TOLERANCE_VALUE, "PARAM_ID", gone), 1);
  ASSERT_EQ(Rows(zl::ZLT_QUALITY_VALUE, "PARAM_ID", gone), 1);
  // A set is deleted through its own record only.
  EXPECT_EQ(FailCode(ZLDeleteParamSetByParamID(m_hDB, NewRecord(), gone)), ZLE_NO_RECORD);
  ASSERT_EQ(ZLDeleteParamSetByParamID(m_hDB, m_id, gone), 1) << ZLGetLastError();
  EXPECT_EQ(ZLGetLastError(), ZLE_OK);
  EXPECT_EQ(AllSets(m_id), (std::vector<long>{kept}));
  // No row of the deleted set is left.
  EXPECT_EQ(Rows(zl::ZLT_PARAMVALUE, "PARAM_ID", gone), 0);
  EXPECT_EQ(Rows(zl::ZLT_TOLERANCE_VALUE, "PARAM_ID", gone), 0);
  EXPECT_EQ(Rows(zl::ZLT_QUALITY_VALUE, "PARAM_ID", gone), 0);
  CString title;
  EXPECT_EQ(FailCode(ZLGetTitleByID(m_hDB, m_id, kEN, title, gone)), ZLE_NO_RECORD);
  {
    zl::CHandleLock lock(m_hDB);
    CZLRecordset* links = zl::FindResourceTable(lock.Record(), zl::ZLR_KEYWORDID, kEN);
    ASSERT_NE(links, nullptr);
    long setLinks = 0, ownLinks = 0;
    for (links->MoveFirst(); !links->IsEOF(); links->MoveNext()) {
      const long set = links->GetFieldValue("PARAM_ID").lVal;
      setLinks += set == gone;
      ownLinks += set == 0;
    }
    EXPECT_EQ(setLinks, 0);
    EXPECT_EQ(ownLinks, 1);
  }
  // The record's nodes, tolerances, stresses and keywords stay, and so do
  // the other set's values.
  EXPECT_EQ(Rows(zl::ZLT_NODE_NC, "MODEL_ID", m_id), ncBefore);
  EXPECT_EQ(Rows(zl::ZLT_NODE_C, "MODEL_ID", m_id), cBefore);
  EXPECT_EQ(Rows(zl::ZLT_TOLERANCE, "MODEL_ID", m_id), 1);
  EXPECT_EQ(Rows(zl::ZLT_QUALITY, "MODEL_ID", m_id), 1);
  EXPECT_EQ(Rows(zl::ZLT_PARAMVALUE, "PARAM_ID", kept), 2);
  EXPECT_EQ(Rows(zl::ZLT_TOLERANCE_VALUE, "PARAM_ID", kept), 1);
  EXPECT_EQ(ZLGetTitleByID(m_hDB, m_id, kEN, title, kept), 1);
  EXPECT_EQ(title.str(), "variant");
  // Deleting it again finds nothing.
  EXPECT_EQ(FailCode(ZLDeleteParamSetByParamID(m_hDB, m_id, gone)), ZLE_NO_RECORD);
}

TEST_F(ParamSetTest, SetWritesAreAllOrNothing) {
  long set = NewSet(m_id);
  Fill(m_id, {set});
  ExpectAllOrNothing([&] { return ZLDeleteParamSetByParamID(m_hDB, m_id, set); },
                     [&] {
                       set = NewSet(m_id);
                       Fill(m_id, {set});
                     });
  long created = 0;
  ExpectAllOrNothing([&] { return ZLCreateNewParamSet(m_hDB, m_id, created); });
  ExpectAllOrNothing([&] { return ZLSetNextParamSetByParamID(m_hDB, set, created); },
                     [&] { ASSERT_EQ(ZLSetNextParamSetByParamID(m_hDB, set, 0), 1); });
}

}  // namespace
