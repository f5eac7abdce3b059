// Construction, copying and resetting of the row objects of the per-model
// sub-tables: nodes, files, keywords, resource strings, additional-data
// descriptions, tolerances and stresses.
#include "zldbctrl70/value_objects.h"

// ---- CZLNodeObject -----------------------------------------------------------

CZLNodeObject::CZLNodeObject()
    : m_lNodeID(0),
      m_dwType(0),
      m_dwExtType(0),
      m_bWizFileSet(FALSE),
      m_lWizFileID(0),
      m_lIndex(0),
      m_wNameToResID(0),
      m_wValueToResID(0),
      m_wTypeToResID(0),
      m_wExtTypeToResID(0),
      m_wInfoToResID(0),
      m_wNatureToResID(0),
      m_wUnitToResID(0),
      m_wQuantityToResID(0),
      m_wPreferUnitToResID(0),
      m_wDefValueToResID(0) {}

CZLNodeObject::CZLNodeObject(const CZLNodeObject* pSrc) : CZLNodeObject() {
  if (pSrc == nullptr) return;
  m_lNodeID = pSrc->m_lNodeID;
  m_strName = pSrc->m_strName;
  m_strValue = pSrc->m_strValue;
  m_mapInfo = pSrc->m_mapInfo;
  m_mapAccess = pSrc->m_mapAccess;
  m_mapDefValue = pSrc->m_mapDefValue;
  m_dwType = pSrc->m_dwType;
  m_dwExtType = pSrc->m_dwExtType;
  m_strNature = pSrc->m_strNature;
  m_strUnit = pSrc->m_strUnit;
  m_strQuantity = pSrc->m_strQuantity;
  m_mapPreferUnit = pSrc->m_mapPreferUnit;
  m_bWizFileSet = pSrc->m_bWizFileSet;
  m_lWizFileID = pSrc->m_lWizFileID;
  m_lIndex = pSrc->m_lIndex;
  m_wNameToResID = pSrc->m_wNameToResID;
  m_wValueToResID = pSrc->m_wValueToResID;
  m_wTypeToResID = pSrc->m_wTypeToResID;
  m_wExtTypeToResID = pSrc->m_wExtTypeToResID;
  m_wInfoToResID = pSrc->m_wInfoToResID;
  m_wNatureToResID = pSrc->m_wNatureToResID;
  m_wUnitToResID = pSrc->m_wUnitToResID;
  m_wQuantityToResID = pSrc->m_wQuantityToResID;
  m_wPreferUnitToResID = pSrc->m_wPreferUnitToResID;
  m_wDefValueToResID = pSrc->m_wDefValueToResID;
}

CZLNodeObject::~CZLNodeObject() = default;

void CZLNodeObject::FreeObject() {
  // The node ID is reset too: a refilled object that kept an old ID would be
  // merged into that node's row instead of being added as a new node.
  m_lNodeID = 0;
  m_strName.Empty();
  m_strValue.Empty();
  m_mapInfo.RemoveAll();
  m_mapAccess.RemoveAll();
  m_mapDefValue.RemoveAll();
  m_dwType = 0;
  m_dwExtType = 0;
  m_strNature.Empty();
  m_strUnit.Empty();
  m_strQuantity.Empty();
  m_mapPreferUnit.RemoveAll();
  m_bWizFileSet = FALSE;
  m_lWizFileID = 0;
  m_lIndex = 0;
  m_wNameToResID = 0;
  m_wValueToResID = 0;
  m_wTypeToResID = 0;
  m_wExtTypeToResID = 0;
  m_wInfoToResID = 0;
  m_wNatureToResID = 0;
  m_wUnitToResID = 0;
  m_wQuantityToResID = 0;
  m_wPreferUnitToResID = 0;
  m_wDefValueToResID = 0;
}

// ---- CZLFileObject -----------------------------------------------------------

CZLFileObject::CZLFileObject()
    : m_lFileID(0), m_lAccess(0), m_dwType(0), m_bAccessSet(FALSE), m_dwLanguage(0) {}

CZLFileObject::CZLFileObject(const CZLFileObject* pSrc) : CZLFileObject() {
  if (pSrc == nullptr) return;
  m_lFileID = pSrc->m_lFileID;
  m_lAccess = pSrc->m_lAccess;
  m_strFileName = pSrc->m_strFileName;
  m_dwType = pSrc->m_dwType;
  m_bAccessSet = pSrc->m_bAccessSet;
  m_dwLanguage = pSrc->m_dwLanguage;
  // A block of its own, so that freeing either object leaves the other's
  // bytes intact.
  m_lbData.Assign(pSrc->m_lbData);
}

CZLFileObject::~CZLFileObject() = default;

void CZLFileObject::FreeObject() {
  m_lFileID = 0;
  m_lAccess = 0;
  m_strFileName.Empty();
  m_dwType = 0;
  m_bAccessSet = FALSE;
  m_dwLanguage = 0;
  m_lbData.Release();
}

// ---- CZLKeywordObject --------------------------------------------------------

CZLKeywordObject::CZLKeywordObject() : m_wLanguage(ZL_DEFAULT_LANGUAGE), m_lKeywordID(0) {}

CZLKeywordObject::~CZLKeywordObject() = default;

void CZLKeywordObject::FreeObject() {
  m_wLanguage = ZL_DEFAULT_LANGUAGE;
  m_lKeywordID = 0;
}

// ---- CZLResourceStringObject -------------------------------------------------

CZLResourceStringObject::CZLResourceStringObject()
    : m_wLanguage(ZL_DEFAULT_LANGUAGE), m_lResID(0), m_lRecordID(0), m_lSubID(0) {}

CZLResourceStringObject::~CZLResourceStringObject() = default;

void CZLResourceStringObject::FreeObject() {
  m_wLanguage = ZL_DEFAULT_LANGUAGE;
  m_lResID = 0;
  m_lRecordID = 0;
  m_lSubID = 0;
}

// ---- CZLAdditionalDataInfoObject ---------------------------------------------

CZLAdditionalDataInfoObject::CZLAdditionalDataInfoObject()
    : m_lType(0), m_lSize(0), m_lIndex(0), m_lDuplicate(0), m_lState(0) {}

CZLAdditionalDataInfoObject::CZLAdditionalDataInfoObject(const char* lpszDataName)
    : CZLAdditionalDataInfoObject() {
  m_strDataName = lpszDataName;
}

CZLAdditionalDataInfoObject::~CZLAdditionalDataInfoObject() = default;

void CZLAdditionalDataInfoObject::FreeObject() {
  m_strDataName.Empty();
  m_lType = 0;
  m_lSize = 0;
  m_lIndex = 0;
  m_lDuplicate = 0;
  m_lState = 0;
}

// ---- CZLToleranceObject ------------------------------------------------------

CZLToleranceObject::CZLToleranceObject()
    : m_lToleranceID(0), m_lNodeID(0), m_lIndex(0), m_lState(0) {}

CZLToleranceObject::CZLToleranceObject(const CZLToleranceObject* pSrc) : CZLToleranceObject() {
  if (pSrc == nullptr) return;
  m_lToleranceID = pSrc->m_lToleranceID;
  m_lNodeID = pSrc->m_lNodeID;
  m_lIndex = pSrc->m_lIndex;
  m_lState = pSrc->m_lState;
  m_strNodeName = pSrc->m_strNodeName;
  m_strMinimum = pSrc->m_strMinimum;
  m_strMaximum = pSrc->m_strMaximum;
  m_strMeanValue = pSrc->m_strMeanValue;
  m_strDeviation = pSrc->m_strDeviation;
  m_strTolerance = pSrc->m_strTolerance;
  m_strCharacteristic = pSrc->m_strCharacteristic;
}

CZLToleranceObject::~CZLToleranceObject() = default;

void CZLToleranceObject::FreeObject() {
  m_lToleranceID = 0;
  m_lNodeID = 0;
  m_lIndex = 0;
  m_lState = 0;
  m_strNodeName.Empty();
  m_strMinimum.Empty();
  m_strMaximum.Empty();
  m_strMeanValue.Empty();
  m_strDeviation.Empty();
  m_strTolerance.Empty();
  m_strCharacteristic.Empty();
}

// ---- CZLStressObject ---------------------------------------------------------

CZLStressObject::CZLStressObject()
    : m_lQualityID(0), m_lIndex(0), m_lState(0), m_lType(0), m_lLimit(0) {}

CZLStressObject::CZLStressObject(const CZLStressObject* pSrc) : CZLStressObject() {
  if (pSrc == nullptr) return;
  m_lQualityID = pSrc->m_lQualityID;
  m_lIndex = pSrc->m_lIndex;
  m_lState = pSrc->m_lState;
  m_lType = pSrc->m_lType;
  m_lLimit = pSrc->m_lLimit;
  m_strReference = pSrc->m_strReference;
  m_strMinimum = pSrc->m_strMinimum;
  m_strMaximum = pSrc->m_strMaximum;
}

CZLStressObject::~CZLStressObject() = default;

void CZLStressObject::FreeObject() {
  m_lQualityID = 0;
  m_lIndex = 0;
  m_lState = 0;
  m_lType = 0;
  m_lLimit = 0;
  m_strReference.Empty();
  m_strMinimum.Empty();
  m_strMaximum.Empty();
}
