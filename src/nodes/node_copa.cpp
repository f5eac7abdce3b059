// The conversions between a node and the parameter editor's object.
#include "zldbctrl70/platform/langtext.h"
#include "zldbctrl70/value_objects.h"
#include "zldbctrl70/wizard_copa.h"

void CZLNodeObject::InitializeWizardCopa(CWizardCopaObject3* pCopa, WORD wLangID) {
  if (pCopa == nullptr) return;
  CWizardCopaObject3& copa = *pCopa;
  copa.SetName(m_strName);
  copa.SetValue(m_strValue);
  copa.SetDescriptionMap(m_mapInfo);
  POSITION pos = m_mapAccess.GetStartPosition();
  while (pos != nullptr) {
    CString language, text;
    m_mapAccess.GetNextAssoc(pos, language, text);
    copa.SetAccessBySimLang(language, text);
  }
  pos = m_mapDefValue.GetStartPosition();
  while (pos != nullptr) {
    CString language, text;
    m_mapDefValue.GetNextAssoc(pos, language, text);
    copa.SetDefValBySimLang(language, text);
  }
  copa.SetType(m_dwType);
  copa.SetExtType(m_dwExtType);
  copa.SetNatureOrDatatype(m_strNature);
  copa.SetUnit(m_strUnit);
  copa.SetQuantity(m_strQuantity);
  CString used;
  KWGetLangDependentString(m_mapPreferUnit, wLangID, used);
  copa.SetUsedUnit(used);
  copa.SetNameID(m_wNameToResID);
  copa.SetValueID(m_wValueToResID);
  copa.SetTypeID(m_wTypeToResID);
  copa.SetExtTypeID(m_wExtTypeToResID);
  copa.SetInfoID(m_wInfoToResID);
  copa.SetNatureOrDataTypeID(m_wNatureToResID);
  copa.SetUnitID(m_wUnitToResID);
  copa.SetQuantityID(m_wQuantityToResID);
  copa.SetUsedUnitID(m_wPreferUnitToResID);
  copa.SetDefaultValueID(m_wDefValueToResID);
  copa.SetNodeObject(this);
}

void CZLNodeObject::GetDataFromWizardCopa(CWizardCopaObject3* pCopa, WORD wLangID) {
  if (pCopa == nullptr) return;
  const CWizardCopaObject3& copa = *pCopa;
  m_strName = copa.GetName();
  m_strValue = copa.GetValue();
  m_mapInfo = copa.GetDescriptionMap();
  m_mapAccess = copa.GetAccessMap();
  m_mapDefValue = copa.GetDefaultValueMap();
  m_dwType = copa.GetType();
  m_dwExtType = copa.GetExtType();
  m_strNature = copa.GetNatureOrDatatype();
  m_strUnit = copa.GetUnit();
  m_strQuantity = copa.GetQuantity();
  KWSetLangDependentString(m_mapPreferUnit, wLangID, copa.GetUsedUnit());
  m_wNameToResID = copa.GetNameID();
  m_wValueToResID = copa.GetValueID();
  m_wTypeToResID = copa.GetTypeID();
  m_wExtTypeToResID = copa.GetExtTypeID();
  m_wInfoToResID = copa.GetInfoID();
  m_wNatureToResID = copa.GetNatureOrDataTypeID();
  m_wUnitToResID = copa.GetUnitID();
  m_wQuantityToResID = copa.GetQuantityID();
  m_wPreferUnitToResID = copa.GetUsedUnitID();
  m_wDefValueToResID = copa.GetDefaultValueID();
}
