// The data part of a model query: the hit object and the request object
// with its criteria and its list of hits.
#include "zldbctrl70/value_objects.h"

// ---- CZLFindObject -----------------------------------------------------------

CZLFindObject::CZLFindObject() : m_lRecordID(0), m_lParamSetID(0) {}

CZLFindObject::~CZLFindObject() { m_varBookmark.Clear(); }

void CZLFindObject::FreeObject() {
  m_lRecordID = 0;
  m_varBookmark.Clear();
  m_lParamSetID = 0;
}

// ---- CZLQueryObject ----------------------------------------------------------

CZLQueryObject::CZLQueryObject()
    : m_dwCriteriaFlags(0),
      m_wTitleLanguage(0),
      m_wKeywordLanguage(0),
      m_nNumberOfNodesC(-1),
      m_nNumberOfNodesNC(-1),
      m_nNumberOfNodes(-1) {}

CZLQueryObject::~CZLQueryObject() { Reset(); }

void CZLQueryObject::Reset() {
  ZLFreeObjectArray(m_arrResults);
  m_dwCriteriaFlags = 0;
}

void CZLQueryObject::SetName(const char* pszName) {
  m_strName = pszName != nullptr ? pszName : "";
  m_dwCriteriaFlags |= kName;
}

void CZLQueryObject::SetTitle(const char* pszTitle, WORD wLanguage) {
  m_strTitle = pszTitle != nullptr ? pszTitle : "";
  m_wTitleLanguage = wLanguage;
  m_dwCriteriaFlags |= kTitle;
}

void CZLQueryObject::SetKeyword(const char* pszKeyword, WORD wLanguage) {
  m_strKeyword = pszKeyword != nullptr ? pszKeyword : "";
  m_wKeywordLanguage = wLanguage;
  m_dwCriteriaFlags |= kKeyword;
}

void CZLQueryObject::SetFirstCreationDate(COleDateTime dt) {
  m_dtFirstCreationDate = dt;
  m_dwCriteriaFlags |= kFirstCreationDate;
}

void CZLQueryObject::SetLastCreationDate(COleDateTime dt) {
  m_dtLastCreationDate = dt;
  m_dwCriteriaFlags |= kLastCreationDate;
}

void CZLQueryObject::SetFirstModificationDate(COleDateTime dt) {
  m_dtFirstModificationDate = dt;
  m_dwCriteriaFlags |= kFirstModificationDate;
}

void CZLQueryObject::SetLastModificationDate(COleDateTime dt) {
  m_dtLastModificationDate = dt;
  m_dwCriteriaFlags |= kLastModificationDate;
}

void CZLQueryObject::SetNumberOfNodesC(int nNodes) {
  m_nNumberOfNodesC = nNodes;
  m_dwCriteriaFlags |= kNumberOfNodesC;
}

void CZLQueryObject::SetNumberOfNodesNC(int nNodes) {
  m_nNumberOfNodesNC = nNodes;
  m_dwCriteriaFlags |= kNumberOfNodesNC;
}

void CZLQueryObject::SetNumberOfNodes(int nNodes) {
  m_nNumberOfNodes = nNodes;
  m_dwCriteriaFlags |= kNumberOfNodes;
}

void CZLQueryObject::SetUseWildcardsFlag(int nFlag) {
  if (nFlag != 0) {
    m_dwCriteriaFlags |= kUseWildcards;
  } else {
    m_dwCriteriaFlags &= ~static_cast<DWORD>(kUseWildcards);
  }
}

void CZLQueryObject::SetIgnoreCaseFlag(int nFlag) {
  if (nFlag != 0) {
    m_dwCriteriaFlags |= kIgnoreCase;
  } else {
    m_dwCriteriaFlags &= ~static_cast<DWORD>(kIgnoreCase);
  }
}

void CZLQueryObject::SetResultType(int nType) { m_dwCriteriaFlags |= static_cast<DWORD>(nType); }
