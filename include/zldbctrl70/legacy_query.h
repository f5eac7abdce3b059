// The search of the legacy interface (included by zldbctrl70/legacy.h).
//
// A request object collects criteria (each setter stores its value and sets
// its bit in the criteria word); CompQuery(hDB, &request) fills the results
// with the models that meet every criterion set.  Candidates are the models
// that carry the keyword (when a keyword is set) or else every model, in
// the order of SDB_STATE_INDEX.  Name (compared with TITLE for records of
// TYPE "Folder", else NAME), title and keyword compare exactly, or with
// "*" and "?" as wildcards when SetUseWildcardsFlag is on, and without
// regard to case when SetIgnoreCaseFlag is on; type, folder and path compare
// exactly; dates are inclusive limits of DATE; counts are of CONNECT rows,
// PARAMS rows and both.
#ifndef ZLDBCTRL70_LEGACY_QUERY_H_
#define ZLDBCTRL70_LEGACY_QUERY_H_

#include "zldbctrl70/export.h"
#include "zldbctrl70/platform/coll_array.h"
#include "zldbctrl70/platform/coll_list.h"
#include "zldbctrl70/platform/cstring.h"
#include "zldbctrl70/platform/datetime.h"
#include "zldbctrl70/platform/object.h"
#include "zldbctrl70/platform/types.h"

// Criteria bits.
enum : DWORD {
  LZLQ_NAME = 0x1,
  LZLQ_TYPE = 0x2,
  LZLQ_LEVEL = 0x4,
  LZLQ_FIRST_DATE = 0x8,
  LZLQ_LAST_DATE = 0x10,
  LZLQ_FOLDER = 0x20,
  LZLQ_CONNECTS = 0x40,
  LZLQ_PARAMS = 0x80,
  LZLQ_CONNECTS_AND_PARAMS = 0x100,
  LZLQ_PATH = 0x200,
  LZLQ_TITLE = 0x400,
  LZLQ_KEYWORD = 0x800,
  LZLQ_UDTNAME = 0x1000,  // CCompQueryObject2 only
  LZLQ_WIZTYPE = 0x2000,  // CCompQueryObject2 only
  LZLQ_WILDCARDS = 0x10000000,
  LZLQ_IGNORE_CASE = 0x20000000,
  LZLQ_KEEP_BOOKMARKS = 0x40000000,  // with LZLQ_RETURN_IDS: bookmarks stay too
  LZLQ_RETURN_IDS = 0x80000000,
};

class ZL_EXPORT CCompQueryObject : public CObject {
 public:
  DWORD m_dwCriteria;  // criteria word
  CString m_strName;
  CString m_strType;
  CString m_strTitle;
  CString m_strKeyword;
  CString m_strFolder;
  CString m_strPath;
  int m_nLevel;
  int m_nConnects;
  int m_nParams;
  int m_nConnectsAndParams;
  COleDateTime m_dtFirst;
  COleDateTime m_dtLast;
  CObList m_listResults;   // CBookmarkObject per hit; owned by the object
  CDWordArray m_arrayIDs;  // IDs of the hits (with LZLQ_RETURN_IDS)

  CCompQueryObject();
  ~CCompQueryObject() override;
  CCompQueryObject(const CCompQueryObject&) = delete;
  CCompQueryObject& operator=(const CCompQueryObject&) = delete;

  void SetName(const char* lpszName);
  void SetType(const char* lpszType);
  void SetTitle(const char* lpszTitle);
  void SetKeyword(const char* lpszKeyword);
  void SetFolder(const char* lpszFolder);
  void SetPath(const char* lpszPath);
  void SetLevel(int nLevel);
  void SetNumberOfConnects(int nCount);
  void SetNumberOfParams(int nCount);
  void SetNumberOfConnectsAndParams(int nCount);
  void SetFirstDate(const COleDateTime& date);
  void SetLastDate(const COleDateTime& date);
  // Non-zero sets the bit, 0 clears it.
  void SetUseWildcardsFlag(int bOn);
  void SetIgnoreCaseFlag(int bOn);
  // ORs the bits in (LZLQ_RETURN_IDS, LZLQ_KEEP_BOOKMARKS).
  void SetResultType(DWORD dwType);
  // Deletes the results and clears the criteria word (values stay).
  void Reset();
};

class ZL_EXPORT CCompQueryObject2 : public CCompQueryObject {
 public:
  CString m_strUDTName;
  BYTE m_nWizType;

  CCompQueryObject2();
  void SetUDTName(const char* lpszName);
  void SetWizType(BYTE nWizType);
};

// Runs the search: the previous results are deleted, then the hits fill
// the results.  CompQuery ignores the UDT-name and wizard-type criteria;
// CompQuery2 tests them too.
ZL_EXPORT int CompQuery(void* hDB, CCompQueryObject* pQuery);
ZL_EXPORT int CompQuery2(void* hDB, CCompQueryObject2* pQuery);

#endif  // ZLDBCTRL70_LEGACY_QUERY_H_
