// The call-line object, the one value object that can be written to an
// archive.
#include "zldbctrl70/value_objects.h"

IMPLEMENT_SERIAL(CZLCallObject, CObject, 0)

CZLCallObject::CZLCallObject() : m_lCallID(0), m_dwLevel(0) {}

CZLCallObject::CZLCallObject(const CZLCallObject* pSrc) : CZLCallObject() {
  if (pSrc == nullptr) return;
  m_lCallID = pSrc->m_lCallID;
  m_strCallKey = pSrc->m_strCallKey;
  m_strCallText = pSrc->m_strCallText;
  m_dwLevel = pSrc->m_dwLevel;
}

CZLCallObject::~CZLCallObject() = default;

void CZLCallObject::Serialize(CArchive& ar) {
  CObject::Serialize(ar);
  // DWORD is 32 bits, so the level takes four bytes in the archive.  The call
  // ID belongs to one database's table and is not carried.
  if (ar.IsStoring()) {
    ar << m_dwLevel;
    ar << m_strCallKey;
    ar << m_strCallText;
  } else {
    ar >> m_dwLevel;
    ar >> m_strCallKey;
    ar >> m_strCallText;
  }
}

void CZLCallObject::FreeObject() {
  m_lCallID = 0;
  m_strCallKey.Empty();
  m_strCallText.Empty();
  m_dwLevel = 0;
}
