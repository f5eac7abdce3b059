// Call lines: selection by key and level, whole-set replacement with row
// reuse, codes, all-or-nothing; access rows of nodes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "calls/call_rows.h"
#include "support/simlang_fixture.h"

namespace {

CZLCallObject* Call(const char* key, DWORD level, const char* text, long id = 0) {
  auto* call = new CZLCallObject;
  call->m_strCallKey = key;
  call->m_dwLevel = level;
  call->m_strCallText = text;
  call->m_lCallID = id;
  return call;
}

class CallTest : public SimLangTest {
 protected:
  void SetUp() override {
    SimLangTest::SetUp();
    ASSERT_EQ(ZLAddCallTable(m_hDB, "Spice", 0), 1);
    ASSERT_EQ(ZLAddCallTable(m_hDB, "VHDLA", 0), 1);
    m_id = NewRecord(&m_mark);
  }
  long Add(const char* key, DWORD level, const char* text, const char* language = "Spice",
           long record = 0) {
    std::unique_ptr<CZLCallObject> call(Call(key, level, text));
    EXPECT_EQ(ZLSetCallByID(m_hDB, record == 0 ? m_id : record, language, *call), 1);
    CZLCallObject read;
    EXPECT_EQ(ZLGetCallByID(m_hDB, record == 0 ? m_id : record, language, key, level, read), 1);
    return read.m_lCallID;
  }
  // "text/key/id" of the selected line, or "#code".
  std::string Get(const char* key, unsigned long level) {
    CZLCallObject call;
    if (ZLGetCallByBookmark(m_hDB, m_mark, "Spice", key, level, call) == 0) {
      return "#" + std::to_string(ZLGetLastError());
    }
    return call.m_strCallText.str() + "/" + call.m_strCallKey.str();
  }
  // The record's lines in one language as "key=text" in table order.
  std::vector<std::string> Lines(const char* language, long record = 0) {
    CZLCallMap map;
    EXPECT_EQ(ZLGetCallsByID(m_hDB, record == 0 ? m_id : record, map), 1);
    std::vector<std::string> lines;
    CZLCallArray* array = nullptr;
    if (map.Lookup(language, array)) {
      for (int i = 0; i < array->GetSize(); ++i) {
        lines.push_back(array->GetAt(i)->m_strCallKey.str() + "=" +
                        array->GetAt(i)->m_strCallText.str());
      }
    }
    ZLFreeCallMap(map);
    return lines;
  }

  long m_id = 0;
  COleVariant m_mark;
};

TEST_F(CallTest, KeysMatchWithoutCaseAndLevelsByEveryBit) {
  Add("Netlist", 3, "X3");
  Add("netlist", 1, "X1");
  Add("Other", 0, "O");
  EXPECT_EQ(Get("NETLIST", 1), "X3/NETLIST");  // first in order, caller's spelling
  EXPECT_EQ(Get("netlist", 2), "X3/netlist");
  EXPECT_EQ(Get("netlist", 0), "X3/netlist");  // 0 accepts any level
  EXPECT_EQ(Get("netlist", 4), "#29");
  EXPECT_EQ(Get("other", 0), "O/other");
  EXPECT_EQ(Get("missing", 0), "#29");
  EXPECT_EQ(Get("netlist", 0x100000001ul), "#9");  // does not fit LEVEL
  EXPECT_EQ(Lines("VHDLA"), std::vector<std::string>{});
  CZLCallMap map;
  ASSERT_EQ(ZLGetCallsByID(m_hDB, NewRecord(), map), 1);
  EXPECT_EQ(map.GetCount(), 2);  // an empty array per language
  ZLFreeCallMap(map);
}

TEST_F(CallTest, ASetWriteReusesRowsAndIsAllOrNothing) {
  const long keep = Add("a", 1, "A");
  const long spare = Add("b", 1, "B");
  Add("c", 1, "C");
  Add("v", 1, "V", "VHDLA");
  const long other = NewRecord();
  const long foreign = Add("f", 1, "F", "Spice", other);

  CZLCallMap map;
  map["Spice"] = new CZLCallArray;
  map["Spice"]->Add(Call("new", 2, "N"));
  map["Spice"]->Add(Call("a", 4, "A2", keep));
  ASSERT_EQ(ZLSetCallsByBookmark(m_hDB, m_mark, map), 1);
  EXPECT_EQ(Lines("Spice"), (std::vector<std::string>{"a=A2", "new=N"}));
  EXPECT_EQ(Lines("VHDLA"), std::vector<std::string>{"v=V"});  // not in the map: untouched
  EXPECT_EQ(Lines("Spice", other), std::vector<std::string>{"f=F"});
  CZLCallObject read;
  ASSERT_EQ(ZLGetCallByID(m_hDB, m_id, "Spice", "new", 0, read), 1);
  EXPECT_EQ(read.m_lCallID, spare);

  const std::string before = Image();
  map["Spice"]->GetAt(1)->m_lCallID = foreign;
  EXPECT_EQ(FailCode(ZLSetCallsByID(m_hDB, m_id, map)), ZLE_CALL_OTHER_RECORD);
  map["Spice"]->GetAt(1)->m_lCallID = foreign + 100;
  EXPECT_EQ(FailCode(ZLSetCallsByID(m_hDB, m_id, map)), ZLE_NO_CALL);
  map["Spice"]->GetAt(1)->m_lCallID = keep;
  map["Spice"]->GetAt(0)->m_strCallKey = std::string(31, 'k').c_str();  // CALL_KEY holds 30
  EXPECT_EQ(FailCode(ZLSetCallsByID(m_hDB, m_id, map)), ZLE_ENGINE);
  map["Spice"]->GetAt(0)->m_strCallKey = "new";
  std::unique_ptr<CZLCallObject> single(Call("x", 1, "x", foreign));
  EXPECT_EQ(FailCode(ZLSetCallByID(m_hDB, m_id, "Spice", *single)), ZLE_CALL_OTHER_RECORD);
  EXPECT_EQ(FailCode(ZLSetCallByID(m_hDB, m_id, "spice", *single)), ZLE_NO_SIMTABLE_KIND);
  EXPECT_EQ(FailCode(ZLSetCallByID(m_hDB, other + 50, "Spice", *single)), ZLE_NO_RECORD);
  EXPECT_TRUE(Image() == before);

  map["VHDLA"] = new CZLCallArray;
  ASSERT_EQ(ZLSetCallsByID(m_hDB, m_id, map), 1);
  EXPECT_EQ(Lines("VHDLA"), std::vector<std::string>{});
  ZLFreeCallMap(map);
}

TEST_F(CallTest, AccessRowsFollowTheNodesMaps) {
  ASSERT_EQ(ZLAddAccessTable(m_hDB, "Spice"), 1);
  ASSERT_EQ(ZLAddAccessTable(m_hDB, "VHDLA"), 1);
  zl::CHandleLock lock(m_hDB);
  zl::ZLHandleRecord& record = lock.Record();
  CMapStringToString access, defValues;
  access["Spice"] = "V(1)";
  defValues["Spice"] = "0";
  access["VHDLA"] = "p.v";
  ASSERT_EQ(zl::WriteAccessRows(record, 7, TRUE, access, defValues), 0);
  ASSERT_EQ(zl::WriteAccessRows(record, 7, FALSE, access, defValues), 0);  // another node
  access.RemoveKey("VHDLA");
  access["Spice"] = "V(2)";
  defValues.RemoveAll();  // DEF_VALUE stays when the map lacks the language
  ASSERT_EQ(zl::WriteAccessRows(record, 7, TRUE, access, defValues), 0);
  CMapStringToString readAccess, readDefaults;
  ASSERT_EQ(zl::ReadAccessRows(record, 7, TRUE, readAccess, readDefaults), 0);
  EXPECT_TRUE(readAccess.GetCount() == 1 && readAccess["Spice"].str() == "V(2)");
  EXPECT_EQ(readDefaults["Spice"].str(), "0");
  readAccess.RemoveAll();
  ASSERT_EQ(zl::ReadAccessRows(record, 7, FALSE, readAccess, readDefaults), 0);
  EXPECT_EQ(readAccess.GetCount(), 2);
}

}  // namespace
