// A component parameter as the parameter editor sees it, with its
// accessors and flag tests.  Created and destroyed by the caller; the
// conversions to and from a node are members of CZLNodeObject.
//
// Defaults: empty strings and maps, zero numbers, null pointers, not
// deletable, not deleted.  The whole-map setters replace the object's map
// with a copy of the argument.
#ifndef ZLDBCTRL70_WIZARD_COPA_H_
#define ZLDBCTRL70_WIZARD_COPA_H_

#include "zldbctrl70/export.h"
#include "zldbctrl70/platform/coll_map.h"
#include "zldbctrl70/platform/cstring.h"
#include "zldbctrl70/platform/object.h"
#include "zldbctrl70/platform/types.h"

class ZL_EXPORT CWizardCopaObject3 : public CObject {
 public:
  // Type bits.
  static constexpr DWORD kPin = 0x80000000;      // the parameter has a pin
  static constexpr DWORD kDirectionMask = 0x1C;  // bits 2 to 4
  static constexpr DWORD kInput = 0x04;
  static constexpr DWORD kOutput = 0x08;
  static constexpr DWORD kInOut = 0x10;
  // Extended-type bits.
  static constexpr DWORD kConservative = 0x1;
  static constexpr DWORD kLocked = 0x10000000;
  // Tolerance-state bits.
  static constexpr DWORD kToleranceLocked = 0x1;

  CWizardCopaObject3();
  ~CWizardCopaObject3() override;
  CWizardCopaObject3(const CWizardCopaObject3&) = delete;
  CWizardCopaObject3& operator=(const CWizardCopaObject3&) = delete;

  const CString& GetName() const { return m_strName; }
  void SetName(const char* lpsz) { m_strName = lpsz; }
  const CString& GetValue() const { return m_strValue; }
  void SetValue(const char* lpsz) { m_strValue = lpsz; }
  const CString& GetUnit() const { return m_strUnit; }
  void SetUnit(const char* lpsz) { m_strUnit = lpsz; }
  const CString& GetNatureOrDatatype() const { return m_strNatureOrDatatype; }
  void SetNatureOrDatatype(const char* lpsz) { m_strNatureOrDatatype = lpsz; }
  const CString& GetDataString() const { return m_strDataString; }
  void SetDataString(const char* lpsz) { m_strDataString = lpsz; }
  const CString& GetNodeWizName() const { return m_strNodeWizName; }
  void SetNodeWizName(const char* lpsz) { m_strNodeWizName = lpsz; }
  const CString& GetUsedUnit() const { return m_strUsedUnit; }
  void SetUsedUnit(const char* lpsz) { m_strUsedUnit = lpsz; }
  const CString& GetQuantity() const { return m_strQuantity; }
  void SetQuantity(const char* lpsz) { m_strQuantity = lpsz; }
  const CString& GetTolMin() const { return m_strTolMin; }
  void SetTolMin(const char* lpsz) { m_strTolMin = lpsz; }
  const CString& GetTolMax() const { return m_strTolMax; }
  void SetTolMax(const char* lpsz) { m_strTolMax = lpsz; }
  const CString& GetTolMeanVal() const { return m_strTolMeanVal; }
  void SetTolMeanVal(const char* lpsz) { m_strTolMeanVal = lpsz; }
  const CString& GetTolStdDev() const { return m_strTolStdDev; }
  void SetTolStdDev(const char* lpsz) { m_strTolStdDev = lpsz; }
  const CString& GetTolTolerance() const { return m_strTolTolerance; }
  void SetTolTolerance(const char* lpsz) { m_strTolTolerance = lpsz; }
  const CString& GetFileNameCharacteristics() const { return m_strFileNameCharacteristics; }
  void SetFileNameCharacteristics(const char* lpsz) { m_strFileNameCharacteristics = lpsz; }
  WORD GetNameID() const { return m_wNameID; }
  void SetNameID(WORD w) { m_wNameID = w; }
  WORD GetValueID() const { return m_wValueID; }
  void SetValueID(WORD w) { m_wValueID = w; }
  WORD GetInfoID() const { return m_wInfoID; }
  void SetInfoID(WORD w) { m_wInfoID = w; }
  WORD GetTypeID() const { return m_wTypeID; }
  void SetTypeID(WORD w) { m_wTypeID = w; }
  WORD GetExtTypeID() const { return m_wExtTypeID; }
  void SetExtTypeID(WORD w) { m_wExtTypeID = w; }
  WORD GetUnitID() const { return m_wUnitID; }
  void SetUnitID(WORD w) { m_wUnitID = w; }
  WORD GetNatureOrDataTypeID() const { return m_wNatureOrDataTypeID; }
  void SetNatureOrDataTypeID(WORD w) { m_wNatureOrDataTypeID = w; }
  WORD GetDefaultValueID() const { return m_wDefaultValueID; }
  void SetDefaultValueID(WORD w) { m_wDefaultValueID = w; }
  WORD GetUsedUnitID() const { return m_wUsedUnitID; }
  void SetUsedUnitID(WORD w) { m_wUsedUnitID = w; }
  WORD GetQuantityID() const { return m_wQuantityID; }
  void SetQuantityID(WORD w) { m_wQuantityID = w; }
  DWORD GetType() const { return m_dwType; }
  void SetType(DWORD dw) { m_dwType = dw; }
  DWORD GetExtType() const { return m_dwExtType; }
  void SetExtType(DWORD dw) { m_dwExtType = dw; }
  DWORD GetTolState() const { return m_dwTolState; }
  void SetTolState(DWORD dw) { m_dwTolState = dw; }
  int GetVctIndex() const { return m_nVctIndex; }
  void SetVctIndex(int n) { m_nVctIndex = n; }
  char GetOnSheetMode() const { return m_cOnSheetMode; }
  void SetOnSheetMode(char c) { m_cOnSheetMode = c; }
  long GetNodeWizID() const { return m_lNodeWizID; }
  void SetNodeWizID(long l) { m_lNodeWizID = l; }
  CObject* GetCopaObject() const { return m_pCopaObject; }
  void SetCopaObject(CObject* p) { m_pCopaObject = p; }
  CObject* GetTemplateObject() const { return m_pTemplateObject; }
  void SetTemplateObject(CObject* p) { m_pTemplateObject = p; }
  CObject* GetNodeObject() const { return m_pNodeObject; }
  void SetNodeObject(CObject* p) { m_pNodeObject = p; }

  // Language maps.  The ByLangID and BySimLang getters give the empty text
  // for a language the map does not hold.
  const CMap<WORD, WORD, CString, LPCSTR>& GetInfoMap() const { return m_mapInfo; }
  void SetInfoMap(const CMap<WORD, WORD, CString, LPCSTR>& map);
  CString GetInfoByLangID(WORD wLangID) const;
  void SetInfoByLangID(WORD wLangID, const char* lpsz) { m_mapInfo[wLangID] = lpsz; }
  const CMap<WORD, WORD, CString, LPCSTR>& GetDescriptionMap() const { return m_mapDescription; }
  void SetDescriptionMap(const CMap<WORD, WORD, CString, LPCSTR>& map);
  CString GetDescriptionByLangID(WORD wLangID) const;
  void SetDescriptionByLangID(WORD wLangID, const char* lpsz) { m_mapDescription[wLangID] = lpsz; }
  const CMapStringToString& GetAccessMap() const { return m_mapAccess; }
  void SetAccessMap(const CMapStringToString& map);
  CString GetAccessBySimLang(const char* lpszSimLang) const;
  void SetAccessBySimLang(const char* lpszSimLang, const char* lpsz) {
    m_mapAccess[lpszSimLang] = lpsz;
  }
  const CMapStringToString& GetDefaultValueMap() const { return m_mapDefaultValue; }
  void SetDefaultValueMap(const CMapStringToString& map);
  CString GetDefValBySimLang(const char* lpszSimLang) const;
  void SetDefValBySimLang(const char* lpszSimLang, const char* lpsz) {
    m_mapDefaultValue[lpszSimLang] = lpsz;
  }

  BOOL IsDeletable() const { return m_bDeletable; }
  void SetDeletable(BOOL b) { m_bDeletable = b; }
  BOOL IsDeleted() const { return m_bDeleted; }
  // Marks the parameter deleted when it is deletable; otherwise nothing.
  void Delete() {
    if (m_bDeletable) m_bDeleted = TRUE;
  }
  void Undelete() { m_bDeleted = FALSE; }

  // Flag tests.  The direction is bits 2 to 4 of the type; only 4, 8 and 16
  // are directions.
  BOOL HasPin() const { return (m_dwType & kPin) != 0; }
  void UsePin(BOOL bUse) { m_dwType = bUse ? (m_dwType | kPin) : (m_dwType & ~kPin); }
  BOOL IsInput() const { return (m_dwType & kDirectionMask) == kInput; }
  BOOL IsOutput() const { return (m_dwType & kDirectionMask) == kOutput; }
  BOOL IsInOut() const { return (m_dwType & kDirectionMask) == kInOut; }
  BOOL IsConservativeNode() const { return (m_dwExtType & kConservative) != 0; }
  BOOL IsLocked() const { return (m_dwExtType & kLocked) != 0; }
  BOOL IsToleranceLocked() const { return (m_dwTolState & kToleranceLocked) != 0; }

 private:
  CString m_strName;
  CString m_strValue;
  CString m_strUnit;
  CString m_strNatureOrDatatype;
  CString m_strDataString;
  CString m_strNodeWizName;
  CString m_strUsedUnit;
  CString m_strQuantity;
  CString m_strTolMin;
  CString m_strTolMax;
  CString m_strTolMeanVal;
  CString m_strTolStdDev;
  CString m_strTolTolerance;
  CString m_strFileNameCharacteristics;
  WORD m_wNameID = 0;
  WORD m_wValueID = 0;
  WORD m_wInfoID = 0;
  WORD m_wTypeID = 0;
  WORD m_wExtTypeID = 0;
  WORD m_wUnitID = 0;
  WORD m_wNatureOrDataTypeID = 0;
  WORD m_wDefaultValueID = 0;
  WORD m_wUsedUnitID = 0;
  WORD m_wQuantityID = 0;
  DWORD m_dwType = 0;
  DWORD m_dwExtType = 0;
  DWORD m_dwTolState = 0;
  int m_nVctIndex = 0;
  char m_cOnSheetMode = 0;
  long m_lNodeWizID = 0;
  BOOL m_bDeletable = FALSE;
  BOOL m_bDeleted = FALSE;
  CObject* m_pCopaObject = nullptr;      // not owned
  CObject* m_pTemplateObject = nullptr;  // not owned
  CObject* m_pNodeObject = nullptr;      // not owned
  CMap<WORD, WORD, CString, LPCSTR> m_mapInfo;
  CMap<WORD, WORD, CString, LPCSTR> m_mapDescription;
  CMapStringToString m_mapAccess;
  CMapStringToString m_mapDefaultValue;
};

#endif  // ZLDBCTRL70_WIZARD_COPA_H_
