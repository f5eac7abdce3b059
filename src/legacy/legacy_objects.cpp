// The legacy value classes.
#include <cstring>

#include "zldbctrl70/legacy.h"

namespace {

// A plain record's string, which may fill its array without a terminator.
template <size_t N>
CString FixedText(const char (&text)[N]) {
  return CString(text, static_cast<int>(strnlen(text, N)));
}

}  // namespace

CCoPaObject::CCoPaObject()
    : m_dwType(0),
      m_dwExtType(0),
      m_wNameToResID(0),
      m_wValueToResID(0),
      m_wTypeToResID(0),
      m_wExtTypeToResID(0),
      m_wInfoToResID(0) {}

CCoPaObject::CCoPaObject(const char* lpszName, const char* lpszValue, const char* lpszInfo,
                         DWORD dwType)
    : CCoPaObject() {
  m_strName = lpszName;
  m_strValue = lpszValue;
  m_strInfo = lpszInfo;
  m_dwType = dwType;
}

CCoPaObject& CCoPaObject::operator=(const tagSCOPA& src) {
  m_strName = FixedText(src.szName);
  m_strValue = FixedText(src.szValue);
  m_strInfo = FixedText(src.szInfo);
  m_dwType = src.dwType;
  m_dwExtType = src.dwExtType;
  return *this;
}

CFileObject::CFileObject() : m_lAccess(0), m_nType(0), m_bAccessSet(FALSE) {}

CFileObject& CFileObject::operator=(const tagSFILES& src) {
  m_lAccess = src.lAccess;
  m_strFile = FixedText(src.szFile);
  m_nType = src.nType;
  m_bAccessSet = TRUE;
  return *this;
}

CKeywordObject::CKeywordObject() = default;

CKeywordObject::CKeywordObject(const char* lpszKeyword) : m_strKeyword(lpszKeyword) {}

CKeywordObject& CKeywordObject::operator=(const tagSKEYWORDS& src) {
  m_strKeyword = FixedText(src.szKeyword);
  return *this;
}

CBookmarkObject::CBookmarkObject() = default;

CBookmarkObject& CBookmarkObject::operator=(const COleVariant& bookmark) {
  m_varBookmark = bookmark;
  return *this;
}

void FreeObjectList(CObList& list) {
  for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) delete list.GetNext(pos);
  list.RemoveAll();
}

void FreeObjectArray(CObArray& array) {
  for (int i = 0; i < array.GetSize(); ++i) delete array[i];
  array.RemoveAll();
}
