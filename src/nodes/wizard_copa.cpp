#include "zldbctrl70/wizard_copa.h"

CWizardCopaObject3::CWizardCopaObject3() = default;
CWizardCopaObject3::~CWizardCopaObject3() = default;

namespace {

template <class Map>
void CopyMap(const Map& from, Map& to) {
  if (&from == &to) return;
  to.RemoveAll();
  POSITION pos = from.GetStartPosition();
  while (pos != nullptr) {
    typename Map::BASE_KEY key{};
    typename Map::BASE_VALUE value{};
    from.GetNextAssoc(pos, key, value);
    to[key] = value;
  }
}

}  // namespace

void CWizardCopaObject3::SetInfoMap(const CMap<WORD, WORD, CString, LPCSTR>& map) {
  CopyMap(map, m_mapInfo);
}
void CWizardCopaObject3::SetDescriptionMap(const CMap<WORD, WORD, CString, LPCSTR>& map) {
  CopyMap(map, m_mapDescription);
}
void CWizardCopaObject3::SetAccessMap(const CMapStringToString& map) { CopyMap(map, m_mapAccess); }
void CWizardCopaObject3::SetDefaultValueMap(const CMapStringToString& map) {
  CopyMap(map, m_mapDefaultValue);
}

CString CWizardCopaObject3::GetInfoByLangID(WORD wLangID) const {
  CString text;
  m_mapInfo.Lookup(wLangID, text);
  return text;
}
CString CWizardCopaObject3::GetDescriptionByLangID(WORD wLangID) const {
  CString text;
  m_mapDescription.Lookup(wLangID, text);
  return text;
}
CString CWizardCopaObject3::GetAccessBySimLang(const char* lpszSimLang) const {
  CString text;
  m_mapAccess.Lookup(lpszSimLang, text);
  return text;
}
CString CWizardCopaObject3::GetDefValBySimLang(const char* lpszSimLang) const {
  CString text;
  m_mapDefaultValue.Lookup(lpszSimLang, text);
  return text;
}
