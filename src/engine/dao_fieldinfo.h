// Descriptions of fields and indexes, as the classic engine's classes hand
// them in and out.  Plain structures; CDaoIndexInfo owns its field array only
// when m_bCleanupFieldInfo is set (the engine sets it when it fills one).
#ifndef ZLDBCTRL70_ENGINE_DAO_FIELDINFO_H_
#define ZLDBCTRL70_ENGINE_DAO_FIELDINFO_H_

#include "zldbctrl70/platform/cstring.h"
#include "zldbctrl70/platform/datetime.h"
#include "zldbctrl70/platform/types.h"

// One field of a table.  Only name, type, size, attributes, ordinal
// position, required and allow-zero-length take effect; the remaining
// members are accepted and reported back empty.
struct CDaoFieldInfo {
  CString m_strName;
  short m_nType = 0;       // dbBoolean ... dbMemo
  long m_lSize = 0;        // characters for dbText (1..255), else ignored
  long m_lAttributes = 0;  // dbAutoIncrField, dbUpdatableField, ...
  short m_nOrdinalPosition = 0;
  BOOL m_bRequired = FALSE;         // NULL refused on Update (3314)
  BOOL m_bAllowZeroLength = FALSE;  // "" refused on Update unless set (3315)
  long m_lCollatingOrder = 0;
  CString m_strForeignName;
  CString m_strSourceField;
  CString m_strSourceTable;
  CString m_strValidationRule;
  CString m_strValidationText;
  CString m_strDefaultValue;
};

// One field of an index.  Descending fields are refused by CreateIndex.
struct CDaoIndexFieldInfo {
  CString m_strName;
  BOOL m_bDescending = FALSE;
};

// One index of a table.  m_pFieldInfos points to m_nFields entries.  When a
// caller fills the structure the array stays the caller's; when the engine
// fills it (GetIndexInfo) the engine allocates the array and sets
// m_bCleanupFieldInfo, and the destructor frees it.
struct CDaoIndexInfo {
  CDaoIndexInfo() = default;
  ~CDaoIndexInfo();
  CDaoIndexInfo(const CDaoIndexInfo&) = delete;
  CDaoIndexInfo& operator=(const CDaoIndexInfo&) = delete;

  CString m_strName;
  CDaoIndexFieldInfo* m_pFieldInfos = nullptr;
  short m_nFields = 0;          // 1 to 10 fields
  BOOL m_bPrimary = FALSE;      // implies unique and required
  BOOL m_bUnique = FALSE;       // duplicates refused (3022); NULLs may repeat
  BOOL m_bClustered = FALSE;    // accepted, no effect
  BOOL m_bIgnoreNulls = FALSE;  // must be FALSE (refused otherwise, 3001)
  BOOL m_bRequired = FALSE;     // a NULL in any field of it is refused (3058)
  BOOL m_bForeign = FALSE;      // reported FALSE
  long m_lDistinctCount = 0;    // reported 0
  BOOL m_bCleanupFieldInfo = FALSE;
};

// One table of a database (CDaoDatabase::GetTableDefInfo).  The record count
// is filled only with AFX_DAO_SECONDARY_INFO or more.
struct CDaoTableDefInfo {
  CString m_strName;
  BOOL m_bUpdatable = TRUE;
  long m_lAttributes = 0;
  COleDateTime m_dateCreated;
  COleDateTime m_dateLastUpdated;
  CString m_strSrcTableName;
  CString m_strConnect;
  CString m_strValidationRule;
  CString m_strValidationText;
  long m_lRecordCount = 0;
};

#endif  // ZLDBCTRL70_ENGINE_DAO_FIELDINFO_H_
