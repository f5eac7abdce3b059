#include "zldbctrl70/value_objects.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "zldbctrl70/platform/globalmem.h"
#include "zldbctrl70/platform/langtext.h"

namespace {

// The bytes a block holds, as far as its length says.
std::string BlockBytes(const CLongBinary& lb) {
  if (lb.m_hData == nullptr) return std::string();
  const char* p = static_cast<const char*>(GlobalLock(lb.m_hData));
  if (p == nullptr) return "<dead block>";
  std::string bytes(p, lb.m_dwDataLength);
  GlobalUnlock(lb.m_hData);
  return bytes;
}

CString Text(const CMap<WORD, WORD, CString, LPCSTR>& map, WORD wLang) {
  CString text;
  KWGetLangDependentString(map, wLang, text);
  return text;
}

const std::string kPayload("\x00\x01payload\xFF", 10);

class ValueObjectCopy : public ::testing::Test {
 protected:
  void SetUp() override {
    m_node.m_lNodeID = 17;
    m_node.m_strName = "VIN";
    KWSetLangDependentString(m_node.m_mapInfo, 1033, "input");
    KWSetLangDependentString(m_node.m_mapInfo, 1031, "Eingang");
    m_node.m_mapAccess.SetAt("VHDLA", "in");
    m_node.m_mapDefValue.SetAt("SPICE", "0");
    m_node.m_dwExtType = 0x80000001u;
    m_node.m_strQuantity = "voltage";
    KWSetLangDependentString(m_node.m_mapPreferUnit, 1033, "mV");
    m_node.m_bWizFileSet = TRUE;
    m_node.m_lWizFileID = 99;
    m_node.m_wNameToResID = 1;
    m_node.m_wDefValueToResID = 10;

    m_file.m_lFileID = 5;
    m_file.m_strFileName = "model.lib";
    m_file.m_bAccessSet = TRUE;
    m_file.m_dwLanguage = 1031;
    m_file.m_lbData.Assign(kPayload.data(), kPayload.size());
  }

  // Every field of a node, maps in key order, so one comparison covers them all.
  static std::string Describe(const CZLNodeObject& n) {
    CString out;
    out.Format("%ld|%s|%s,%s|%s|%s|%s|%lx|%s|%d|%ld|%u|%u|%d", n.m_lNodeID, n.m_strName.GetString(),
               Text(n.m_mapInfo, 1033).GetString(), Text(n.m_mapInfo, 1031).GetString(),
               MapValue(n.m_mapAccess, "VHDLA").GetString(),
               MapValue(n.m_mapDefValue, "SPICE").GetString(),
               Text(n.m_mapPreferUnit, 1033).GetString(), static_cast<unsigned long>(n.m_dwExtType),
               n.m_strQuantity.GetString(), n.m_bWizFileSet, static_cast<long>(n.m_lWizFileID),
               n.m_wNameToResID, n.m_wDefValueToResID,
               n.m_mapInfo.GetCount() + n.m_mapAccess.GetCount() + n.m_mapDefValue.GetCount() +
                   n.m_mapPreferUnit.GetCount());
    return out.str();
  }
  static CString MapValue(const CMapStringToString& map, LPCSTR key) {
    CString value;
    map.Lookup(key, value);
    return value;
  }
  const std::string kFilledNode = "17|VIN|input,Eingang|in|0|mV|80000001|voltage|1|99|1|10|5";

  CZLNodeObject m_node;
  CZLFileObject m_file;
};

TEST_F(ValueObjectCopy, NodeCopyOwnsEveryMapEntry) {
  CZLNodeObject copy(&m_node);
  m_node.m_mapInfo[1033] = "changed";
  m_node.FreeObject();
  EXPECT_EQ(Describe(copy), kFilledNode);
}

TEST_F(ValueObjectCopy, FileCopiesGetBlocksOfTheirOwn) {
  auto copy = std::make_unique<CZLFileObject>(&m_file);
  EXPECT_TRUE(copy->m_lFileID == 5 && copy->m_strFileName == "model.lib" &&
              copy->m_bAccessSet == TRUE && copy->m_dwLanguage == 1031u);
  EXPECT_NE(copy->m_lbData.m_hData, m_file.m_lbData.m_hData);
  EXPECT_EQ(BlockBytes(copy->m_lbData), kPayload);
  m_file.FreeObject();  // freeing the source leaves the copy's bytes
  EXPECT_EQ(BlockBytes(copy->m_lbData), kPayload);
  const CZLFileObject second(copy.get());
  const HGLOBAL copyBlock = copy->m_lbData.m_hData;
  copy.reset();  // and deleting a copy leaves its source's bytes
  EXPECT_EQ(GlobalSize(copyBlock), 0u);
  EXPECT_EQ(BlockBytes(second.m_lbData), kPayload);

  // A file without data copies to no block; a null source gives a default object.
  const CZLFileObject empty(&m_file);
  EXPECT_TRUE(empty.m_lbData.m_hData == nullptr && empty.m_lbData.m_dwDataLength == 0u);
  EXPECT_EQ(CZLFileObject(static_cast<const CZLFileObject*>(nullptr)).m_lbData.m_hData, nullptr);
  EXPECT_EQ(CZLNodeObject(static_cast<const CZLNodeObject*>(nullptr)).m_mapInfo.GetCount(), 0);
}

TEST_F(ValueObjectCopy, FreeObjectEmptiesNodesAndFiles) {
  HGLOBAL block = m_file.m_lbData.m_hData;
  m_file.FreeObject();
  EXPECT_EQ(GlobalSize(block), 0u);
  EXPECT_TRUE(m_file.m_lbData.m_hData == nullptr && m_file.m_lbData.m_dwDataLength == 0u);
  EXPECT_TRUE(m_file.m_lFileID == 0 && m_file.m_bAccessSet == FALSE && m_file.m_dwLanguage == 0u &&
              m_file.m_strFileName.IsEmpty());

  m_node.FreeObject();  // a refilled node must not keep its old row ID
  EXPECT_EQ(Describe(m_node), "0||,||||0||0|0|0|0|0");
}

// A fresh object has the default language and is enabled; a freed object
// reused for a new row must not carry its old row IDs.
TEST(ValueObjectFree, DefaultsAndFreedObjectsForgetTheirRowIDs) {
  EXPECT_TRUE(CZLKeywordObject().m_wLanguage == 1033 &&
              CZLResourceStringObject().m_wLanguage == 1033 && CZLMacroObject().m_bEnabled);
  CZLKeywordObject keyword;
  keyword.m_lKeywordID = 8;
  keyword.m_wLanguage = 1031;
  CZLResourceStringObject text;
  text.m_lResID = text.m_lRecordID = text.m_lSubID = 3;
  CZLAdditionalDataInfoObject info("PRICE");
  info.m_lType = info.m_lSize = info.m_lIndex = info.m_lDuplicate = info.m_lState = 4;
  keyword.FreeObject();
  text.FreeObject();
  info.FreeObject();
  EXPECT_TRUE(keyword.m_lKeywordID == 0 && keyword.m_wLanguage == 1033);
  EXPECT_EQ(text.m_lResID | text.m_lRecordID | text.m_lSubID, 0);
  EXPECT_TRUE(info.m_strDataName.IsEmpty());
  EXPECT_EQ(info.m_lType | info.m_lSize | info.m_lIndex | info.m_lDuplicate | info.m_lState, 0);
}

TEST(ValueObjectFree, MacrosAndPackagesReleaseEveryBlock) {
  CZLMacroObject macro;
  macro.m_bEnabled = FALSE;
  macro.m_bDefault = TRUE;
  macro.m_strDefName = "OPAMP";
  macro.m_mapDescription[1033] = "op amp";
  CZLBinaryMacroObject binaryMacro;
  binaryMacro.m_bEnabled = FALSE;
  CZLPackageObject package;
  package.m_strPackageText = "package ieee";
  CZLBinaryPackageObject binaryPackage;
  binaryPackage.m_lState = ZL_PACKAGE_TEXT_COMPRESSED;
  CLongBinary* blocks[] = {&macro.m_lbCompiled,
                           &binaryMacro.m_lbMacroText,
                           &binaryMacro.m_lbFlexOption,
                           &binaryMacro.m_lbCompiled,
                           &package.m_lbPackageBinary,
                           &package.m_lbPackageBodyBinary,
                           &binaryPackage.m_lbPackageText,
                           &binaryPackage.m_lbPackageBodyText,
                           &binaryPackage.m_lbPackageBinary,
                           &binaryPackage.m_lbPackageBodyBinary};
  std::vector<HGLOBAL> handles;
  for (CLongBinary* lb : blocks) {
    lb->Assign("b", 1);
    handles.push_back(lb->m_hData);
  }
  macro.FreeObject();
  binaryMacro.FreeObject();
  package.FreeObject();
  binaryPackage.FreeObject();
  for (size_t i = 0; i < handles.size(); ++i) {
    EXPECT_EQ(GlobalSize(handles[i]), 0u) << i;
    EXPECT_TRUE(blocks[i]->m_hData == nullptr && blocks[i]->m_dwDataLength == 0u) << i;
  }
  EXPECT_TRUE(macro.m_bEnabled == TRUE && binaryMacro.m_bEnabled == TRUE);
  EXPECT_EQ(macro.m_bDefault, FALSE);
  EXPECT_TRUE(macro.m_strDefName.IsEmpty() && package.m_strPackageText.IsEmpty());
  EXPECT_EQ(macro.m_mapDescription.GetCount(), 0);
  EXPECT_EQ(binaryPackage.m_lState, 0);
}

TEST(QueryObjectData, ResetFreesTheHitsAndClearsOnlyTheFlags) {
  CZLQueryObject query;
  query.m_dwCriteriaFlags = CZLQueryObject::kName | CZLQueryObject::kResultRecordID;
  query.m_strName = "RES";
  query.m_nNumberOfNodes = 2;
  for (long id = 1; id <= 3; ++id) {
    auto* hit = new CZLFindObject;
    hit->m_varBookmark = COleVariant(id);
    query.m_arrResults.Add(hit);
  }
  query.m_arrResults.Add(nullptr);
  query.Reset();
  EXPECT_TRUE(query.m_arrResults.GetSize() == 0 && query.m_dwCriteriaFlags == 0u);
  EXPECT_TRUE(query.m_strName == "RES" && query.m_nNumberOfNodes == 2);
  // The destructor frees hits added after a reset (the leak checker sees it).
  query.m_arrResults.Add(new CZLFindObject);
}

}  // namespace
