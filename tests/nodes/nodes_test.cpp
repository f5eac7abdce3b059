// Nodes: merge by node ID with every satellite, parameter-set values, NULL
// versus empty texts, codes, all-or-nothing; the parameter editor's object
// and its conversions.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "calls/call_rows.h"
#include "engine/faults.h"
#include "support/simlang_fixture.h"

namespace {

constexpr WORD kEN = 1033;
constexpr WORD kDE = 1031;

CZLNodeObject* Node(const char* name, long id = 0) {
  auto* node = new CZLNodeObject;
  node->m_lNodeID = id;
  node->m_strName = name;
  node->m_strValue = std::string(name).append("-v").c_str();
  node->m_mapInfo[kEN] = std::string(name).append(" en").c_str();
  node->m_mapInfo[kDE] = std::string(name).append(" de").c_str();
  node->m_mapPreferUnit[kEN] = "mV";
  node->m_mapAccess["Spice"] = std::string("V(").append(name).append(")").c_str();
  node->m_mapDefValue["Spice"] = "0";
  node->m_dwType = 0x80000004;
  node->m_dwExtType = 0x10000001;
  node->m_strNature = "electrical";
  node->m_strUnit = "V";
  node->m_strQuantity = "voltage";
  node->m_lIndex = 3;
  node->m_wNameToResID = 0xFFFF;
  node->m_wDefValueToResID = 7;
  return node;
}

class NodeTest : public SimLangTest {
 protected:
  void SetUp() override {
    SimLangTest::SetUp();
    for (WORD language : {kEN, kDE}) {
      const int added = ZLAddResourceTable(m_hDB, language);
      ASSERT_TRUE(added == 1 || ZLGetLastError() == ZLE_LANGUAGE_EXISTS);
    }
    ASSERT_EQ(ZLAddAccessTable(m_hDB, "Spice"), 1);
    ASSERT_EQ(ZLAddAccessTable(m_hDB, "VHDLA"), 1);
    m_id = NewRecord(&m_mark);
  }
  void TearDown() override {
    ZLFreeObjectArray(m_nodes);
    SimLangTest::TearDown();
  }
  // The record's non-conservative nodes as "name=value" in table order.
  std::vector<std::string> Names(long set = 0, bool conservative = false) {
    CZLNodeArray read;
    const int ok = conservative ? ZLGetNodesCByID(m_hDB, m_id, read)
                                : ZLGetNodesNCByID(m_hDB, m_id, read, set);
    EXPECT_EQ(ok, 1);
    std::vector<std::string> names;
    for (int i = 0; i < read.GetSize(); ++i) {
      names.push_back(read[i]->m_strName.str() + "=" + read[i]->m_strValue.str());
    }
    ZLFreeObjectArray(read);
    return names;
  }
  // Rows of a raw table whose NODE_ID equals key.
  long Rows(zl::ZLFixedTable table, long key) {
    zl::CHandleLock lock(m_hDB);
    CZLRecordset& rs = *lock.Record().recordsets[table];
    long count = 0;
    if (rs.GetRecordCount() == 0) return 0;
    rs.MoveFirst();
    while (!rs.IsEOF()) {
      const COleVariant value = rs.GetFieldValue("NODE_ID");
      if (value.vt == VT_I4 && value.lVal == key) ++count;
      rs.MoveNext();
    }
    return count;
  }

  long m_id = 0;
  COleVariant m_mark;
  CZLNodeArray m_nodes;
};

TEST_F(NodeTest, EveryFieldAndSatelliteReadsBackInBothTables) {
  m_nodes.Add(Node("a"));
  m_nodes.Add(Node("b"));
  ASSERT_EQ(ZLSetNodesNCByBookmark(m_hDB, m_mark, m_nodes, 0), 1) << ZLGetLastError();
  ASSERT_EQ(ZLSetNodesCByID(m_hDB, m_id, m_nodes), 1);
  for (bool conservative : {false, true}) {
    CZLNodeArray read;
    ASSERT_EQ(conservative ? ZLGetNodesCByBookmark(m_hDB, m_mark, read)
                           : ZLGetNodesNCByBookmark(m_hDB, m_mark, read, 0),
              1);
    ASSERT_EQ(read.GetSize(), 2);
    CZLNodeObject& b = *read[1];
    EXPECT_EQ(b.m_lNodeID, m_nodes[1]->m_lNodeID);  // the array got the new IDs
    EXPECT_NE(b.m_lNodeID, 0);
    EXPECT_EQ(b.m_strName.str(), "b");
    EXPECT_EQ(b.m_strValue.str(), "b-v");
    EXPECT_EQ(b.m_mapInfo[kDE].str(), "b de");
    EXPECT_EQ(b.m_mapAccess["Spice"].str(), "V(b)");
    EXPECT_EQ(b.m_mapDefValue["Spice"].str(), "0");
    EXPECT_EQ(b.m_mapAccess.GetCount(), 1);  // no VHDLA row
    EXPECT_EQ(b.m_dwType, 0x80000004u);
    EXPECT_EQ(b.m_dwExtType, 0x10000001u);
    EXPECT_EQ(b.m_lIndex, 3);
    EXPECT_EQ(b.m_wNameToResID, 0xFFFF);  // all 16 bits come back
    EXPECT_FALSE(b.m_bWizFileSet);
    EXPECT_EQ(b.m_mapPreferUnit[kEN].str(), "mV");
    // Columns that conservative nodes do not have.
    EXPECT_EQ(b.m_strUnit.str(), conservative ? "" : "V");
    EXPECT_EQ(b.m_wDefValueToResID, conservative ? 0 : 7);
    ZLFreeObjectArray(read);
  }
  // The two kinds keep separate satellites although their IDs may be equal.
  ZLFreeObjectArray(m_nodes);
  ASSERT_EQ(ZLSetNodesCByID(m_hDB, m_id, m_nodes), 1);
  EXPECT_EQ(Names(0, true), std::vector<std::string>{});
  EXPECT_EQ(Names(), (std::vector<std::string>{"a=a-v", "b=b-v"}));
}

TEST_F(NodeTest, MergeKeepsNamedRowsAddsNewOnesAndDeletesTheRestWithSatellites) {
  m_nodes.Add(Node("a"));
  m_nodes.Add(Node("b"));
  ASSERT_EQ(ZLSetNodesNCByID(m_hDB, m_id, m_nodes, 0), 1);
  const long a = m_nodes[0]->m_lNodeID, b = m_nodes[1]->m_lNodeID;
  CZLNodeArray set;
  for (long node : {a, b}) {
    auto* value = Node("x", node);
    value->m_strValue = "set5";
    set.Add(value);
  }
  ASSERT_EQ(ZLSetNodesNCByID(m_hDB, m_id, set, 5), 1);
  ZLFreeObjectArray(set);
  EXPECT_EQ(Rows(zl::ZLT_PARAMVALUE, b), 1);

  // Keep a (renamed), drop b, add c; an ID the record does not have is new.
  ZLFreeObjectArray(m_nodes);
  m_nodes.Add(Node("c"));
  m_nodes.Add(Node("a2", a));
  m_nodes.Add(Node("d", 999999));
  ASSERT_EQ(ZLSetNodesNCByID(m_hDB, m_id, m_nodes, 0), 1);
  EXPECT_EQ(m_nodes[1]->m_lNodeID, a);
  EXPECT_NE(m_nodes[0]->m_lNodeID, 0);
  EXPECT_NE(m_nodes[2]->m_lNodeID, 999999);
  EXPECT_EQ(Names(), (std::vector<std::string>{"a2=a2-v", "c=c-v", "d=d-v"}));
  EXPECT_EQ(Rows(zl::ZLT_PARAMVALUE, b), 0);  // b's set value went with it
  EXPECT_EQ(Rows(zl::ZLT_PARAMVALUE, a), 1);
  {
    zl::CHandleLock lock(m_hDB);
    CMapStringToString access, defaults;
    ASSERT_EQ(zl::ReadAccessRows(lock.Record(), b, TRUE, access, defaults), 0);
    EXPECT_EQ(access.GetCount(), 0);
  }
  // An empty array deletes every node and satellite of the record.
  ZLFreeObjectArray(m_nodes);
  ASSERT_EQ(ZLSetNodesNCByID(m_hDB, m_id, m_nodes, 0), 1);
  EXPECT_EQ(Names(), std::vector<std::string>{});
  EXPECT_EQ(Rows(zl::ZLT_PARAMVALUE, a), 0);
}

TEST_F(NodeTest, AnUnchangedArrayWritesNothing) {
  using zl::engine::CFaultInjector;
  using zl::engine::FaultKind;
  m_nodes.Add(Node("a"));
  m_nodes.Add(Node("b"));
  ASSERT_EQ(ZLSetNodesNCByID(m_hDB, m_id, m_nodes, 0), 1);
  const long other = NewRecord();
  zl::engine::CFaultScope faults;
  // What any writing operation costs: taking the write lock.
  CZLNodeArray none;
  ASSERT_EQ(ZLSetNodesNCByID(m_hDB, other, none, 0), 1);
  const long baseline = CFaultInjector::Count(FaultKind::kWrite);
  CFaultInjector::Reset();
  ASSERT_EQ(ZLSetNodesNCByID(m_hDB, m_id, m_nodes, 0), 1);
  EXPECT_EQ(CFaultInjector::Count(FaultKind::kWrite), baseline);
  m_nodes[1]->m_mapInfo[kDE] = "changed";
  CFaultInjector::Reset();
  ASSERT_EQ(ZLSetNodesNCByID(m_hDB, m_id, m_nodes, 0), 1);
  EXPECT_GT(CFaultInjector::Count(FaultKind::kWrite), baseline);
  EXPECT_EQ(Names(), (std::vector<std::string>{"a=a-v", "b=b-v"}));
}

TEST_F(NodeTest, EmptyTextsStayEmptyAndAnEmptyInfoMapKeepsTheResourceID) {
  auto* node = Node("");
  node->m_strValue = "";
  node->m_mapInfo[kDE] = "";
  node->m_mapInfo.RemoveKey(kEN);
  node->m_mapAccess["Spice"] = "";
  node->m_mapDefValue.RemoveAll();
  m_nodes.Add(node);
  ASSERT_EQ(ZLSetNodesNCByID(m_hDB, m_id, m_nodes, 0), 1);
  CZLNodeArray read;
  ASSERT_EQ(ZLGetNodesNCByID(m_hDB, m_id, read, 0), 1);
  ASSERT_EQ(read.GetSize(), 1);
  EXPECT_EQ(read[0]->m_mapInfo.GetCount(), 1);  // the empty German text is a text
  EXPECT_EQ(read[0]->m_mapInfo[kDE].str(), "");
  CString access;
  EXPECT_TRUE(read[0]->m_mapAccess.Lookup("Spice", access));
  EXPECT_EQ(access.str(), "");
  EXPECT_TRUE(read[0]->m_mapDefValue.Lookup("Spice", access));  // a NULL default reads empty
  ZLFreeObjectArray(read);
  long info = 0;
  {
    zl::CHandleLock lock(m_hDB);
    CZLRecordset& rs = *lock.Record().recordsets[zl::ZLT_NODE_NC];
    rs.MoveFirst();
    info = rs.GetFieldValue("INFO").lVal;
  }
  node->m_mapInfo.RemoveAll();
  ASSERT_EQ(ZLSetNodesNCByID(m_hDB, m_id, m_nodes, 0), 1);
  ASSERT_EQ(ZLGetNodesNCByID(m_hDB, m_id, read, 0), 1);
  EXPECT_EQ(read[0]->m_mapInfo.GetCount(), 0);
  ZLFreeObjectArray(read);
  zl::CHandleLock lock(m_hDB);
  CZLRecordset& rs = *lock.Record().recordsets[zl::ZLT_NODE_NC];
  rs.MoveFirst();
  EXPECT_EQ(rs.GetFieldValue("INFO").lVal, info);
}

TEST_F(NodeTest, ParameterSetValuesArePerSetAndCarryTheTopTypeBits) {
  m_nodes.Add(Node("a"));
  m_nodes.Add(Node("b"));
  ASSERT_EQ(ZLSetNodesNCByID(m_hDB, m_id, m_nodes, 0), 1);
  m_nodes[0]->m_strValue = "1k";
  m_nodes[0]->m_dwExtType = 0x2000000F;
  CZLNodeArray only;
  only.Add(m_nodes[0]);
  ASSERT_EQ(ZLSetNodesNCByID(m_hDB, m_id, only, 5), 1);
  m_nodes[0]->m_strValue = "2k";
  ASSERT_EQ(ZLSetNodesNCByID(m_hDB, m_id, only, 6), 1);
  only.RemoveAll();
  EXPECT_EQ(Names(5), (std::vector<std::string>{"a=1k", "b="}));  // b: no value in set 5
  EXPECT_EQ(Names(6), (std::vector<std::string>{"a=2k", "b="}));
  EXPECT_EQ(Names(0), (std::vector<std::string>{"a=a-v", "b=b-v"}));  // rows untouched
  CZLNodeArray read;
  ASSERT_EQ(ZLGetNodesNCByID(m_hDB, m_id, read, 5), 1);
  EXPECT_EQ(read[0]->m_dwExtType, 0x20000001u);  // set's top bits over the row's low bits
  EXPECT_EQ(read[1]->m_dwExtType, 0x00000001u);
  ZLFreeObjectArray(read);
}

TEST_F(NodeTest, CodesForHandlesRecordsBookmarksAndLanguages) {
  m_nodes.Add(Node("a"));
  const long free = m_id + 1000;
  struct Case {
    const char* what;
    std::function<int()> op;
    int code;
  };
  COleVariant bad(static_cast<int32_t>(77));
  CZLNodeArray read;
  const std::vector<Case> cases = {
      {"no record", [&] { return ZLSetNodesNCByID(m_hDB, free, m_nodes, 0); }, ZLE_NO_RECORD},
      {"no record C", [&] { return ZLSetNodesCByID(m_hDB, free, m_nodes); }, ZLE_NO_RECORD},
      {"no record set", [&] { return ZLSetNodesNCByID(m_hDB, free, m_nodes, 5); }, ZLE_NO_RECORD},
      {"bad bookmark", [&] { return ZLGetNodesCByBookmark(m_hDB, bad, read); }, ZLE_BAD_BOOKMARK},
      {"read unknown ID", [&] { return ZLGetNodesNCByID(m_hDB, free, read, 0); }, -1},
  };
  for (const Case& c : cases) EXPECT_EQ(FailCode(c.op()), c.code) << c.what;
  EXPECT_EQ(read.GetSize(), 0);
  const std::string before = Image();
  m_nodes[0]->m_mapInfo[0x0410] = "it";
  EXPECT_EQ(FailCode(ZLSetNodesNCByID(m_hDB, m_id, m_nodes, 0)), ZLE_NO_LANGUAGE);
  m_nodes[0]->m_mapInfo.RemoveKey(0x0410);
  m_nodes[0]->m_mapPreferUnit[0x0410] = "V";
  EXPECT_EQ(FailCode(ZLSetNodesNCByID(m_hDB, m_id, m_nodes, 0)), ZLE_NO_SIMTABLE_KIND);
  m_nodes[0]->m_mapPreferUnit.RemoveKey(0x0410);
  m_nodes[0]->m_mapDefValue["Verilog"] = "0";
  EXPECT_EQ(FailCode(ZLSetNodesCByID(m_hDB, m_id, m_nodes)), ZLE_NO_SIMTABLE_KIND);
  m_nodes[0]->m_mapDefValue.RemoveKey("Verilog");
  m_nodes[0]->m_lIndex = 1L << 33;
  EXPECT_EQ(FailCode(ZLSetNodesCByID(m_hDB, m_id, m_nodes)), ZLE_ENGINE);
  EXPECT_EQ(m_nodes[0]->m_lNodeID, 0);  // no ID handed out by a refused write
  EXPECT_TRUE(Image() == before);
}

// ---- the parameter editor's object ------------------------------------------

TEST(WizardCopaTest, FlagTestsReadTheirBitsOnly) {
  struct Case {
    DWORD type;
    bool pin, in, out, inout;
  };
  const Case cases[] = {
      {0x00000000, false, false, false, false}, {0x80000004, true, true, false, false},
      {0x00000008, false, false, true, false},  {0x7FFFFFF3, false, false, false, true},
      {0x0000000C, false, false, false, false}, {0x0000001C, false, false, false, false},
      {0x00000014, false, false, false, false}, {0xFFFFFFE3, true, false, false, false},
  };
  for (const Case& c : cases) {
    CWizardCopaObject3 copa;
    copa.SetType(c.type);
    EXPECT_EQ(copa.HasPin() != 0, c.pin) << std::hex << c.type;
    EXPECT_EQ(copa.IsInput() != 0, c.in) << std::hex << c.type;
    EXPECT_EQ(copa.IsOutput() != 0, c.out) << std::hex << c.type;
    EXPECT_EQ(copa.IsInOut() != 0, c.inout) << std::hex << c.type;
    copa.UsePin(!c.pin);
    EXPECT_EQ(copa.GetType(), c.type ^ 0x80000000u);
  }
  CWizardCopaObject3 copa;
  copa.SetExtType(0x10000000);
  EXPECT_TRUE(copa.IsLocked());
  EXPECT_FALSE(copa.IsConservativeNode());
  copa.SetExtType(0x1);
  EXPECT_TRUE(copa.IsConservativeNode());
  EXPECT_FALSE(copa.IsLocked());
  copa.SetTolState(0x3);
  EXPECT_TRUE(copa.IsToleranceLocked());
  copa.SetTolState(0x2);
  EXPECT_FALSE(copa.IsToleranceLocked());
  copa.Delete();
  EXPECT_FALSE(copa.IsDeleted());  // not deletable
  copa.SetDeletable(TRUE);
  copa.Delete();
  EXPECT_TRUE(copa.IsDeleted());
  copa.SetDeletable(FALSE);
  copa.Undelete();
  EXPECT_FALSE(copa.IsDeleted());
}

TEST(WizardCopaTest, ConversionsCarryEveryFieldBothWays) {
  std::unique_ptr<CZLNodeObject> node(Node("p"));
  node->m_mapPreferUnit[kDE] = "kV";
  node->m_wValueToResID = 2;
  node->m_wTypeToResID = 3;
  node->m_wExtTypeToResID = 4;
  node->m_wInfoToResID = 5;
  node->m_wNatureToResID = 6;
  node->m_wUnitToResID = 8;
  node->m_wQuantityToResID = 9;
  node->m_wPreferUnitToResID = 10;
  CWizardCopaObject3 copa;
  copa.SetInfoByLangID(kEN, "kept");
  copa.SetTolMin("1");
  copa.SetAccessBySimLang("VHDLA", "stays");
  node->InitializeWizardCopa(&copa, kDE);
  EXPECT_EQ(copa.GetName().str(), "p");
  EXPECT_EQ(copa.GetValue().str(), "p-v");
  EXPECT_EQ(copa.GetDescriptionByLangID(kDE).str(), "p de");
  EXPECT_EQ(copa.GetInfoByLangID(kEN).str(), "kept");  // the info map is not touched
  EXPECT_EQ(copa.GetTolMin().str(), "1");
  EXPECT_EQ(copa.GetAccessBySimLang("Spice").str(), "V(p)");
  EXPECT_EQ(copa.GetAccessBySimLang("VHDLA").str(), "stays");  // entries are added
  EXPECT_EQ(copa.GetDefValBySimLang("Spice").str(), "0");
  EXPECT_EQ(copa.GetType(), 0x80000004u);
  EXPECT_EQ(copa.GetExtType(), 0x10000001u);
  EXPECT_EQ(copa.GetNatureOrDatatype().str(), "electrical");
  EXPECT_EQ(copa.GetUnit().str(), "V");
  EXPECT_EQ(copa.GetQuantity().str(), "voltage");
  EXPECT_EQ(copa.GetUsedUnit().str(), "kV");
  const std::vector<WORD> ids = {copa.GetNameID(),     copa.GetValueID(),
                                 copa.GetTypeID(),     copa.GetExtTypeID(),
                                 copa.GetInfoID(),     copa.GetNatureOrDataTypeID(),
                                 copa.GetUnitID(),     copa.GetQuantityID(),
                                 copa.GetUsedUnitID(), copa.GetDefaultValueID()};
  EXPECT_EQ(ids, (std::vector<WORD>{0xFFFF, 2, 3, 4, 5, 6, 8, 9, 10, 7}));
  EXPECT_EQ(copa.GetNodeObject(), node.get());

  copa.SetName("q");
  copa.SetUsedUnit("uV");
  copa.SetDescriptionByLangID(kEN, "q en");
  copa.SetQuantityID(99);
  copa.SetType(0x10);
  CZLNodeObject back;
  back.m_mapPreferUnit[kEN] = "mV";
  back.GetDataFromWizardCopa(&copa, kDE);
  EXPECT_EQ(back.m_strName.str(), "q");
  EXPECT_EQ(back.m_strValue.str(), "p-v");
  EXPECT_EQ(back.m_mapInfo[kEN].str(), "q en");
  EXPECT_EQ(back.m_mapInfo[kDE].str(), "p de");
  EXPECT_EQ(back.m_mapAccess.GetCount(), 2);
  EXPECT_EQ(back.m_mapDefValue["Spice"].str(), "0");
  EXPECT_EQ(back.m_mapPreferUnit[kDE].str(), "uV");
  EXPECT_EQ(back.m_mapPreferUnit[kEN].str(), "mV");  // other languages kept
  EXPECT_EQ(back.m_dwType, 0x10u);
  EXPECT_EQ(back.m_dwExtType, 0x10000001u);
  EXPECT_EQ(back.m_strNature.str(), "electrical");
  EXPECT_EQ(back.m_strUnit.str(), "V");
  EXPECT_EQ(back.m_strQuantity.str(), "voltage");
  EXPECT_EQ(back.m_wQuantityToResID, 99);
  EXPECT_EQ(back.m_wPreferUnitToResID, 10);
  EXPECT_EQ(back.m_wNameToResID, 0xFFFF);
  EXPECT_EQ(back.m_wDefValueToResID, 7);
}

}  // namespace
