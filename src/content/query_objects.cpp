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
