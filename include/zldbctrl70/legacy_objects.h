// Value classes of the legacy interface (included by zldbctrl70/legacy.h).
//
// Objects are created with new; what a read hands out belongs to the caller,
// who deletes it (FreeObjectList / FreeObjectArray delete every element and
// empty the container).  Writes only read the objects they are given.
#ifndef ZLDBCTRL70_LEGACY_OBJECTS_H_
#define ZLDBCTRL70_LEGACY_OBJECTS_H_

#include <cstdint>

#include "zldbctrl70/export.h"
#include "zldbctrl70/platform/coll_array.h"
#include "zldbctrl70/platform/coll_list.h"
#include "zldbctrl70/platform/cstring.h"
#include "zldbctrl70/platform/datetime.h"
#include "zldbctrl70/platform/object.h"
#include "zldbctrl70/platform/types.h"
#include "zldbctrl70/platform/variant.h"

// Plain records the value classes can be assigned from.  Strings are
// NUL-terminated and cut to fit.
struct tagSCOPA {
  char szName[31];
  char szValue[256];
  char szInfo[51];
  uint32_t dwType;
  uint32_t dwExtType;
};
struct tagSFILES {
  int32_t lAccess;
  char szFile[256];
  BYTE nType;
};
struct tagSKEYWORDS {
  char szKeyword[31];
};

// One row of PARAMS, CONNECT or OUTPUT.
class ZL_EXPORT CCoPaObject : public CObject {
 public:
  CString m_strName;   // NAME
  CString m_strValue;  // VALUE
  CString m_strExtra1;
  CString m_strExtra2;
  CString m_strInfo;       // INFO
  DWORD m_dwType;          // TYPE
  DWORD m_dwExtType;       // EXTTYPE
  WORD m_wNameToResID;     // NAME_TO_TRESID
  WORD m_wValueToResID;    // VALUE_TO_TRESID
  WORD m_wTypeToResID;     // TYPE_TO_TRESID
  WORD m_wExtTypeToResID;  // EYTTYPE_TO_TRESID
  WORD m_wInfoToResID;     // INFO_TO_TRESID

  CCoPaObject();
  CCoPaObject(const char* lpszName, const char* lpszValue, const char* lpszInfo, DWORD dwType);
  CCoPaObject& operator=(const tagSCOPA& src);
};

// One row of FILES.
class ZL_EXPORT CFileObject : public CObject {
 public:
  long m_lAccess;     // ACCESS
  CString m_strFile;  // FILE
  BYTE m_nType;       // TYPE
  BOOL m_bAccessSet;  // whether ACCESS is not null

  CFileObject();
  CFileObject& operator=(const tagSFILES& src);
};

// One keyword of a model.
class ZL_EXPORT CKeywordObject : public CObject {
 public:
  CString m_strKeyword;  // KEYW

  CKeywordObject();
  explicit CKeywordObject(const char* lpszKeyword);
  CKeywordObject& operator=(const tagSKEYWORDS& src);
};

// One bookmark (of SDB, or of a user-defined table's row).
class ZL_EXPORT CBookmarkObject : public CObject {
 public:
  COleVariant m_varBookmark;

  CBookmarkObject();
  CBookmarkObject& operator=(const COleVariant& bookmark);
};

// Deletes every element of the container and empties it.
ZL_EXPORT void FreeObjectList(CObList& list);
ZL_EXPORT void FreeObjectArray(CObArray& array);

#endif  // ZLDBCTRL70_LEGACY_OBJECTS_H_
