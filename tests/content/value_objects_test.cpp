#include "zldbctrl70/value_objects.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

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

void Fill(CLongBinary& lb, const std::string& bytes) { lb.Assign(bytes.data(), bytes.size()); }

CString Text(const CMap<WORD, WORD, CString, LPCSTR>& map, WORD wLang) {
  CString text;
  KWGetLangDependentString(map, wLang, text);
  return text;
}

CString Text(const CMapStringToString& map, const char* lpszLang) {
  CString text;
  map.Lookup(lpszLang, text);
  return text;
}

// ---- defaults ------------------------------------------------------------------

TEST(ValueObjectDefaults, LanguageDependentObjectsStartInEnglish) {
  CZLKeywordObject keyword;
  EXPECT_EQ(keyword.m_wLanguage, 1033);
  EXPECT_EQ(keyword.m_lKeywordID, 0);
  EXPECT_TRUE(keyword.m_strKeyword.IsEmpty());
  CZLResourceStringObject text;
  EXPECT_EQ(text.m_wLanguage, 1033);
  EXPECT_EQ(text.m_lResID + text.m_lRecordID + text.m_lSubID, 0);
  EXPECT_TRUE(text.m_strText.IsEmpty() && text.m_strColumnName.IsEmpty());
}

TEST(ValueObjectDefaults, OnlyMacrosStartEnabled) {
  CZLMacroObject macro;
  EXPECT_EQ(macro.m_bEnabled, TRUE);
  EXPECT_EQ(macro.m_bDefault, FALSE);
  EXPECT_EQ(macro.m_lbCompiled.m_hData, nullptr);
  CZLBinaryMacroObject binaryMacro;
  EXPECT_EQ(binaryMacro.m_bEnabled, TRUE);
  EXPECT_EQ(binaryMacro.m_bDefault, FALSE);
  CZLPackageObject package;
  EXPECT_EQ(package.m_bEnabled, FALSE);
  EXPECT_EQ(package.m_bUseBody, FALSE);
  CZLBinaryPackageObject binaryPackage;
  EXPECT_EQ(binaryPackage.m_bEnabled, FALSE);
  EXPECT_EQ(binaryPackage.m_bUseBody, FALSE);
  CZLNodeObject node;
  EXPECT_EQ(node.m_bWizFileSet, FALSE);
  CZLFileObject file;
  EXPECT_EQ(file.m_bAccessSet, FALSE);
  EXPECT_EQ(file.m_lbData.m_hData, nullptr);
  EXPECT_EQ(file.m_lbData.m_dwDataLength, 0u);
}

TEST(ValueObjectDefaults, QueryCountsNoNodesUntilAsked) {
  CZLQueryObject query;
  EXPECT_EQ(query.m_dwCriteriaFlags, 0u);
  EXPECT_EQ(query.m_nNumberOfNodesC, -1);
  EXPECT_EQ(query.m_nNumberOfNodesNC, -1);
  EXPECT_EQ(query.m_nNumberOfNodes, -1);
  EXPECT_EQ(query.m_wTitleLanguage, 0);
  EXPECT_EQ(query.m_dtFirstCreationDate.m_dt, 0.0);
  EXPECT_EQ(query.m_arrResults.GetSize(), 0);
  CZLFindObject hit;
  EXPECT_EQ(hit.m_varBookmark.vt, VT_EMPTY);
  EXPECT_EQ(hit.m_lRecordID + hit.m_lParamSetID, 0);
}

TEST(ValueObjectDefaults, AdditionalDataInfoCanBeNamedAtConstruction) {
  CZLAdditionalDataInfoObject info("VOLTAGE");
  EXPECT_EQ(info.m_strDataName, "VOLTAGE");
  EXPECT_TRUE(info.m_strInfo.IsEmpty());
  EXPECT_EQ(info.m_lType + info.m_lSize + info.m_lIndex + info.m_lDuplicate + info.m_lState, 0);
  CZLAdditionalDataInfoObject unnamed(nullptr);
  EXPECT_TRUE(unnamed.m_strDataName.IsEmpty());
}

// ---- copies ------------------------------------------------------------------

class ValueObjectCopy : public ::testing::Test {
 protected:
  void SetUp() override {
    m_node.m_lNodeID = 17;
    m_node.m_strName = "VIN";
    m_node.m_strValue = "5V";
    KWSetLangDependentString(m_node.m_mapInfo, 1033, "input");
    KWSetLangDependentString(m_node.m_mapInfo, 1031, "Eingang");
    m_node.m_mapAccess.SetAt("VHDLA", "in");
    m_node.m_mapDefValue.SetAt("VHDLA", "0.0");
    m_node.m_mapDefValue.SetAt("SPICE", "0");
    m_node.m_dwType = 3;
    m_node.m_dwExtType = 0x80000001u;
    m_node.m_strNature = "electrical";
    m_node.m_strUnit = "V";
    m_node.m_strQuantity = "voltage";
    KWSetLangDependentString(m_node.m_mapPreferUnit, 1033, "mV");
    m_node.m_bWizFileSet = TRUE;
    m_node.m_lWizFileID = 99;
    m_node.m_lIndex = 4;
    WORD w = 1;
    for (WORD* p : {&m_node.m_wNameToResID, &m_node.m_wValueToResID, &m_node.m_wTypeToResID,
                    &m_node.m_wExtTypeToResID, &m_node.m_wInfoToResID, &m_node.m_wNatureToResID,
                    &m_node.m_wUnitToResID, &m_node.m_wQuantityToResID,
                    &m_node.m_wPreferUnitToResID, &m_node.m_wDefValueToResID}) {
      *p = w++;
    }
  }

  CZLNodeObject m_node;
};

TEST_F(ValueObjectCopy, NodeCopiesEveryFieldAndMapEntry) {
  CZLNodeObject copy(&m_node);
  EXPECT_EQ(copy.m_lNodeID, 17);
  EXPECT_EQ(copy.m_strName, "VIN");
  EXPECT_EQ(copy.m_strValue, "5V");
  EXPECT_EQ(copy.m_mapInfo.GetCount(), 2);
  EXPECT_EQ(Text(copy.m_mapInfo, 1031), "Eingang");
  EXPECT_EQ(Text(copy.m_mapAccess, "VHDLA"), "in");
  EXPECT_EQ(copy.m_mapDefValue.GetCount(), 2);
  EXPECT_EQ(Text(copy.m_mapDefValue, "SPICE"), "0");
  EXPECT_EQ(copy.m_dwType, 3u);
  EXPECT_EQ(copy.m_dwExtType, 0x80000001u);
  EXPECT_EQ(copy.m_strNature, "electrical");
  EXPECT_EQ(copy.m_strUnit, "V");
  EXPECT_EQ(copy.m_strQuantity, "voltage");
  EXPECT_EQ(Text(copy.m_mapPreferUnit, 1033), "mV");
  EXPECT_EQ(copy.m_bWizFileSet, TRUE);
  EXPECT_EQ(copy.m_lWizFileID, 99);
  EXPECT_EQ(copy.m_lIndex, 4);
  EXPECT_EQ(copy.m_wNameToResID, 1);
  EXPECT_EQ(copy.m_wInfoToResID, 5);
  EXPECT_EQ(copy.m_wDefValueToResID, 10);
}

TEST_F(ValueObjectCopy, NodeCopyIsIndependentOfItsSource) {
  CZLNodeObject copy(&m_node);
  KWSetLangDependentString(m_node.m_mapInfo, 1033, "changed");
  m_node.m_mapAccess.RemoveAll();
  m_node.m_strName = "OTHER";
  m_node.FreeObject();
  EXPECT_EQ(Text(copy.m_mapInfo, 1033), "input");
  EXPECT_EQ(Text(copy.m_mapAccess, "VHDLA"), "in");
  EXPECT_EQ(copy.m_strName, "VIN");
}

TEST_F(ValueObjectCopy, NullSourceGivesDefaultObjects) {
  CZLNodeObject node(static_cast<const CZLNodeObject*>(nullptr));
  EXPECT_EQ(node.m_lNodeID, 0);
  EXPECT_EQ(node.m_mapInfo.GetCount(), 0);
  CZLFileObject file(static_cast<const CZLFileObject*>(nullptr));
  EXPECT_EQ(file.m_lbData.m_hData, nullptr);
  CZLCallObject call(static_cast<const CZLCallObject*>(nullptr));
  EXPECT_EQ(call.m_lCallID, 0);
}

TEST_F(ValueObjectCopy, FileWithDataGetsAnIndependentBlock) {
  auto source = std::make_unique<CZLFileObject>();
  source->m_lFileID = 5;
  source->m_lAccess = 2;
  source->m_strFileName = "model.lib";
  source->m_dwType = 0xFF;
  source->m_bAccessSet = TRUE;
  source->m_dwLanguage = 1031;
  Fill(source->m_lbData, std::string("\x00\x01payload\xFF", 10));

  CZLFileObject copy(source.get());
  EXPECT_EQ(copy.m_lFileID, 5);
  EXPECT_EQ(copy.m_lAccess, 2);
  EXPECT_EQ(copy.m_strFileName, "model.lib");
  EXPECT_EQ(copy.m_dwType, 0xFFu);
  EXPECT_EQ(copy.m_bAccessSet, TRUE);
  EXPECT_EQ(copy.m_dwLanguage, 1031u);
  ASSERT_NE(copy.m_lbData.m_hData, nullptr);
  EXPECT_NE(copy.m_lbData.m_hData, source->m_lbData.m_hData);
  EXPECT_EQ(BlockBytes(copy.m_lbData), std::string("\x00\x01payload\xFF", 10));

  HGLOBAL sourceBlock = source->m_lbData.m_hData;
  source.reset();
  EXPECT_EQ(GlobalSize(sourceBlock), 0u);
  EXPECT_EQ(BlockBytes(copy.m_lbData), std::string("\x00\x01payload\xFF", 10));

  // And the other way round: freeing the copy leaves the source intact.
  CZLFileObject again(&copy);
  copy.FreeObject();
  EXPECT_EQ(BlockBytes(again.m_lbData), std::string("\x00\x01payload\xFF", 10));
}

TEST_F(ValueObjectCopy, FileWithoutDataCopiesToNoBlock) {
  CZLFileObject source;
  source.m_strFileName = "empty.txt";
  CZLFileObject copy(&source);
  EXPECT_EQ(copy.m_strFileName, "empty.txt");
  EXPECT_EQ(copy.m_lbData.m_hData, nullptr);
  EXPECT_EQ(copy.m_lbData.m_dwDataLength, 0u);
}

TEST_F(ValueObjectCopy, ToleranceStressAndCallCopyAllFields) {
  CZLToleranceObject tolerance;
  tolerance.m_lToleranceID = 1;
  tolerance.m_lNodeID = 2;
  tolerance.m_lIndex = 3;
  tolerance.m_lState = 4;
  tolerance.m_strNodeName = "R";
  tolerance.m_strMinimum = "1k";
  tolerance.m_strMaximum = "2k";
  tolerance.m_strMeanValue = "1.5k";
  tolerance.m_strDeviation = "10%";
  tolerance.m_strTolerance = "5%";
  tolerance.m_strCharacteristic = "gauss";
  const CZLToleranceObject toleranceCopy(&tolerance);
  EXPECT_EQ(toleranceCopy.m_lToleranceID + toleranceCopy.m_lNodeID, 3);
  EXPECT_EQ(toleranceCopy.m_lIndex * toleranceCopy.m_lState, 12);
  EXPECT_EQ(toleranceCopy.m_strNodeName + toleranceCopy.m_strMinimum + toleranceCopy.m_strMaximum +
                toleranceCopy.m_strMeanValue + toleranceCopy.m_strDeviation +
                toleranceCopy.m_strTolerance + toleranceCopy.m_strCharacteristic,
            "R1k2k1.5k10%5%gauss");

  CZLStressObject stress;
  stress.m_lQualityID = 7;
  stress.m_lIndex = 1;
  stress.m_lState = 2;
  stress.m_lType = 3;
  stress.m_lLimit = 4;
  stress.m_strReference = "Tj";
  stress.m_strMinimum = "-40";
  stress.m_strMaximum = "125";
  const CZLStressObject stressCopy(&stress);
  EXPECT_EQ(stressCopy.m_lQualityID, 7);
  EXPECT_EQ(stressCopy.m_lIndex * 1000 + stressCopy.m_lState * 100 + stressCopy.m_lType * 10 +
                stressCopy.m_lLimit,
            1234);
  EXPECT_EQ(stressCopy.m_strReference + stressCopy.m_strMinimum + stressCopy.m_strMaximum,
            "Tj-40125");

  CZLCallObject call;
  call.m_lCallID = 12;
  call.m_strCallKey = "X";
  call.m_strCallText = "X1 a b sub";
  call.m_dwLevel = 0x0F;
  const CZLCallObject callCopy(&call);
  EXPECT_EQ(callCopy.m_lCallID, 12);
  EXPECT_EQ(callCopy.m_strCallKey, "X");
  EXPECT_EQ(callCopy.m_strCallText, "X1 a b sub");
  EXPECT_EQ(callCopy.m_dwLevel, 0x0Fu);
}

// ---- FreeObject ----------------------------------------------------------------

TEST_F(ValueObjectCopy, NodeFreeObjectResetsEverything) {
  m_node.FreeObject();
  CZLNodeObject fresh;
  EXPECT_EQ(m_node.m_lNodeID, 0);
  EXPECT_TRUE(m_node.m_strName.IsEmpty() && m_node.m_strValue.IsEmpty());
  EXPECT_TRUE(m_node.m_strNature.IsEmpty() && m_node.m_strUnit.IsEmpty() &&
              m_node.m_strQuantity.IsEmpty());
  EXPECT_EQ(m_node.m_mapInfo.GetCount() + m_node.m_mapAccess.GetCount() +
                m_node.m_mapDefValue.GetCount() + m_node.m_mapPreferUnit.GetCount(),
            0);
  EXPECT_EQ(m_node.m_dwType + m_node.m_dwExtType, 0u);
  EXPECT_EQ(m_node.m_bWizFileSet, FALSE);
  EXPECT_EQ(m_node.m_lWizFileID + m_node.m_lIndex, 0);
  EXPECT_EQ(m_node.m_wNameToResID | m_node.m_wValueToResID | m_node.m_wTypeToResID |
                m_node.m_wExtTypeToResID | m_node.m_wInfoToResID | m_node.m_wNatureToResID |
                m_node.m_wUnitToResID | m_node.m_wQuantityToResID | m_node.m_wPreferUnitToResID |
                m_node.m_wDefValueToResID,
            0);
}

TEST(ValueObjectFree, FileReleasesItsBlock) {
  CZLFileObject file;
  file.m_lFileID = 1;
  file.m_lAccess = 1;
  file.m_strFileName = "a";
  file.m_dwType = 1;
  file.m_bAccessSet = TRUE;
  file.m_dwLanguage = 1033;
  Fill(file.m_lbData, "abc");
  HGLOBAL block = file.m_lbData.m_hData;
  file.FreeObject();
  EXPECT_EQ(GlobalSize(block), 0u);
  EXPECT_EQ(file.m_lbData.m_hData, nullptr);
  EXPECT_EQ(file.m_lbData.m_dwDataLength, 0u);
  EXPECT_EQ(file.m_lFileID + file.m_lAccess, 0);
  EXPECT_EQ(file.m_dwType + file.m_dwLanguage, 0u);
  EXPECT_EQ(file.m_bAccessSet, FALSE);
  EXPECT_TRUE(file.m_strFileName.IsEmpty());
}

TEST(ValueObjectFree, KeywordAndResourceStringKeepTheirTexts) {
  CZLKeywordObject keyword;
  keyword.m_strKeyword = "amplifier";
  keyword.m_wLanguage = 1031;
  keyword.m_lKeywordID = 8;
  keyword.FreeObject();
  EXPECT_EQ(keyword.m_strKeyword, "amplifier");
  EXPECT_EQ(keyword.m_wLanguage, 1033);
  EXPECT_EQ(keyword.m_lKeywordID, 0);

  CZLResourceStringObject text;
  text.m_strText = "Verstaerker";
  text.m_wLanguage = 1031;
  text.m_lResID = 1;
  text.m_lRecordID = 2;
  text.m_lSubID = 3;
  text.m_strColumnName = "TITLE";
  text.FreeObject();
  EXPECT_EQ(text.m_strText, "Verstaerker");
  EXPECT_EQ(text.m_strColumnName, "TITLE");
  EXPECT_EQ(text.m_wLanguage, 1033);
  EXPECT_EQ(text.m_lResID + text.m_lRecordID + text.m_lSubID, 0);
}

TEST(ValueObjectFree, AdditionalDataInfoKeepsItsInfoText) {
  CZLAdditionalDataInfoObject info("PRICE");
  info.m_strInfo = "unit price";
  info.m_lType = 4;
  info.m_lSize = 8;
  info.m_lIndex = 1;
  info.m_lDuplicate = 1;
  info.m_lState = 2;
  info.FreeObject();
  EXPECT_TRUE(info.m_strDataName.IsEmpty());
  EXPECT_EQ(info.m_strInfo, "unit price");
  EXPECT_EQ(info.m_lType + info.m_lSize + info.m_lIndex + info.m_lDuplicate + info.m_lState, 0);
}

TEST(ValueObjectFree, MacrosReEnableAndReleaseTheirBlocks) {
  CZLMacroObject macro;
  macro.m_lMacroID = 3;
  macro.m_strMacroText = ".subckt";
  macro.m_dwLevel = 2;
  macro.m_lState = 1;
  macro.m_bEnabled = FALSE;
  macro.m_strFlexOption = "-x";
  macro.m_strDefName = "OPAMP";
  KWSetLangDependentString(macro.m_mapDescription, 1033, "op amp");
  Fill(macro.m_lbCompiled, "code");
  macro.m_bDefault = TRUE;
  HGLOBAL compiled = macro.m_lbCompiled.m_hData;
  macro.FreeObject();
  EXPECT_EQ(GlobalSize(compiled), 0u);
  EXPECT_EQ(macro.m_lbCompiled.m_hData, nullptr);
  EXPECT_EQ(macro.m_bEnabled, TRUE);
  EXPECT_EQ(macro.m_bDefault, FALSE);
  EXPECT_EQ(macro.m_lMacroID + macro.m_lState, 0);
  EXPECT_EQ(macro.m_dwLevel, 0u);
  EXPECT_TRUE(macro.m_strMacroText.IsEmpty() && macro.m_strFlexOption.IsEmpty() &&
              macro.m_strDefName.IsEmpty());
  EXPECT_EQ(macro.m_mapDescription.GetCount(), 0);

  CZLBinaryMacroObject binary;
  binary.m_lMacroID = 3;
  binary.m_bEnabled = FALSE;
  binary.m_bDefault = TRUE;
  binary.m_strDefName = "OPAMP";
  KWSetLangDependentString(binary.m_mapDescription, 1033, "op amp");
  Fill(binary.m_lbMacroText, "text");
  Fill(binary.m_lbFlexOption, "flex");
  Fill(binary.m_lbCompiled, "code");
  HGLOBAL blocks[] = {binary.m_lbMacroText.m_hData, binary.m_lbFlexOption.m_hData,
                      binary.m_lbCompiled.m_hData};
  binary.FreeObject();
  for (HGLOBAL block : blocks) EXPECT_EQ(GlobalSize(block), 0u);
  EXPECT_EQ(binary.m_lbMacroText.m_dwDataLength + binary.m_lbFlexOption.m_dwDataLength +
                binary.m_lbCompiled.m_dwDataLength,
            0u);
  EXPECT_EQ(binary.m_bEnabled, TRUE);
  EXPECT_EQ(binary.m_bDefault, FALSE);
  EXPECT_EQ(binary.m_lMacroID, 0);
  EXPECT_TRUE(binary.m_strDefName.IsEmpty());
  EXPECT_EQ(binary.m_mapDescription.GetCount(), 0);
}

TEST(ValueObjectFree, PackagesReleaseTheirBlocks) {
  CZLPackageObject package;
  package.m_lPackageObjID = 4;
  package.m_strPackageText = "package p is";
  package.m_strPackageBodyText = "package body p is";
  Fill(package.m_lbPackageBinary, "bin");
  Fill(package.m_lbPackageBodyBinary, "body");
  package.m_bEnabled = TRUE;
  package.m_bUseBody = TRUE;
  package.m_lState = ZL_PACKAGE_TEXT_COMPRESSED | ZL_PACKAGE_BODY_COMPRESSED;
  HGLOBAL blocks[] = {package.m_lbPackageBinary.m_hData, package.m_lbPackageBodyBinary.m_hData};
  package.FreeObject();
  for (HGLOBAL block : blocks) EXPECT_EQ(GlobalSize(block), 0u);
  EXPECT_TRUE(package.m_strPackageText.IsEmpty() && package.m_strPackageBodyText.IsEmpty());
  EXPECT_EQ(package.m_lPackageObjID + package.m_lState, 0);
  EXPECT_EQ(package.m_bEnabled | package.m_bUseBody, FALSE);

  CZLBinaryPackageObject binary;
  binary.m_lPackageObjID = 4;
  Fill(binary.m_lbPackageText, "a");
  Fill(binary.m_lbPackageBodyText, "b");
  Fill(binary.m_lbPackageBinary, "c");
  Fill(binary.m_lbPackageBodyBinary, "d");
  binary.m_bEnabled = TRUE;
  binary.m_bUseBody = TRUE;
  binary.m_lState = 1;
  HGLOBAL four[] = {binary.m_lbPackageText.m_hData, binary.m_lbPackageBodyText.m_hData,
                    binary.m_lbPackageBinary.m_hData, binary.m_lbPackageBodyBinary.m_hData};
  binary.FreeObject();
  for (HGLOBAL block : four) EXPECT_EQ(GlobalSize(block), 0u);
  EXPECT_EQ(binary.m_lPackageObjID + binary.m_lState, 0);
  EXPECT_EQ(binary.m_bEnabled | binary.m_bUseBody, FALSE);
}

TEST(ValueObjectFree, RowObjectsClearNumbersAndStrings) {
  CZLToleranceObject tolerance;
  tolerance.m_lToleranceID = tolerance.m_lNodeID = tolerance.m_lIndex = tolerance.m_lState = 9;
  tolerance.m_strNodeName = tolerance.m_strMinimum = tolerance.m_strMaximum = "x";
  tolerance.m_strMeanValue = tolerance.m_strDeviation = "x";
  tolerance.m_strTolerance = tolerance.m_strCharacteristic = "x";
  tolerance.FreeObject();
  EXPECT_EQ(
      tolerance.m_lToleranceID | tolerance.m_lNodeID | tolerance.m_lIndex | tolerance.m_lState, 0);
  EXPECT_TRUE((tolerance.m_strNodeName + tolerance.m_strMinimum + tolerance.m_strMaximum +
               tolerance.m_strMeanValue + tolerance.m_strDeviation + tolerance.m_strTolerance +
               tolerance.m_strCharacteristic)
                  .IsEmpty());

  CZLStressObject stress;
  stress.m_lQualityID = stress.m_lIndex = stress.m_lState = stress.m_lType = stress.m_lLimit = 9;
  stress.m_strReference = stress.m_strMinimum = stress.m_strMaximum = "x";
  stress.FreeObject();
  EXPECT_EQ(
      stress.m_lQualityID | stress.m_lIndex | stress.m_lState | stress.m_lType | stress.m_lLimit,
      0);
  EXPECT_TRUE((stress.m_strReference + stress.m_strMinimum + stress.m_strMaximum).IsEmpty());

  CZLCallObject call;
  call.m_lCallID = 1;
  call.m_strCallKey = "k";
  call.m_strCallText = "t";
  call.m_dwLevel = 1;
  call.FreeObject();
  EXPECT_EQ(call.m_lCallID, 0);
  EXPECT_EQ(call.m_dwLevel, 0u);
  EXPECT_TRUE(call.m_strCallKey.IsEmpty() && call.m_strCallText.IsEmpty());

  CZLFindObject hit;
  hit.m_lRecordID = 5;
  hit.m_lParamSetID = 6;
  hit.m_varBookmark = COleVariant("bookmark");
  hit.FreeObject();
  EXPECT_EQ(hit.m_lRecordID + hit.m_lParamSetID, 0);
  EXPECT_EQ(hit.m_varBookmark.vt, VT_EMPTY);
}

// ---- query object ------------------------------------------------------------

TEST(QueryObjectData, ResetFreesTheHitsAndClearsOnlyTheFlags) {
  CZLQueryObject query;
  query.m_dwCriteriaFlags = CZLQueryObject::kName | CZLQueryObject::kResultRecordID;
  query.m_strName = "RES";
  query.m_nNumberOfNodes = 2;
  for (long id = 1; id <= 3; ++id) {
    auto* hit = new CZLFindObject;
    hit->m_lRecordID = id;
    hit->m_varBookmark = COleVariant(id);
    query.m_arrResults.Add(hit);
  }
  query.m_arrResults.Add(nullptr);
  query.Reset();
  EXPECT_EQ(query.m_arrResults.GetSize(), 0);
  EXPECT_EQ(query.m_dwCriteriaFlags, 0u);
  EXPECT_EQ(query.m_strName, "RES");
  EXPECT_EQ(query.m_nNumberOfNodes, 2);
  // The destructor frees hits added after a reset (the leak checker sees it).
  query.m_arrResults.Add(new CZLFindObject);
}

}  // namespace
