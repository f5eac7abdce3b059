// A caller that includes only the umbrella header and links the shared
// library: it must compile, link and run with nothing else.
#include <cstdio>
#include <memory>

#include "zldbctrl70.h"

// A caller's own serialisable class: run-time class information and
// archive storage cross the library boundary.
class CCallerCall : public CObject {
  DECLARE_SERIAL(CCallerCall)
 public:
  void Serialize(CArchive& ar) override {
    if (ar.IsStoring()) {
      ar << m_dwLevel;
    } else {
      ar >> m_dwLevel;
    }
  }
  DWORD m_dwLevel = 0;
};

IMPLEMENT_SERIAL(CCallerCall, CObject, 0)

#define CHECK(cond) \
  if (!(cond)) return std::printf("caller failed at line %d\n", __LINE__), 1

int main() {
  CString text("\xC3\xA4x");
  text.MakeUpper();
  CHECK(text == "\xC3\x84X");
  COleVariant number(static_cast<int32_t>(42));
  number.ChangeType(VT_BSTR);
  CHECK(CString(V_BSTRT(&number)) == "42");
  bool caught = false;
  try {
    COleVariant("not a number").ChangeType(VT_I4);
  } catch (const CException& e) {
    caught = e.IsKindOf(RUNTIME_CLASS(CTypeMismatchException));
  }
  CHECK(caught);
  CHECK(COleDateTime(1899, 12, 29, 6, 0, 0).m_dt == -1.25);
  CLongBinary binary;
  binary.Assign("bytes", 5);
  CHECK(GlobalSize(binary.m_hData) == 5);

  // Archive and memory file with the caller's own class.
  CCallerCall call;
  call.m_dwLevel = 3;
  CMemFile file;
  CArchive(&file, CArchive::store).WriteObject(&call);
  file.SeekToBegin();
  std::unique_ptr<CObject> back(CArchive(&file, CArchive::load).ReadObject(nullptr));
  CHECK(back != nullptr && static_cast<CCallerCall*>(back.get())->m_dwLevel == 3);

  CMap<WORD, WORD, CString, LPCSTR> titles;
  KWSetLangDependentString(titles, 1033, "Title");
  CString title;
  CHECK(KWGetLangDependentString(titles, 1033, title) == 1 && title == "Title");
  char full[MAX_PATH];
  CHECK(_fullpath(full, "/a/./b/../c", sizeof full) != nullptr && CString(full) == "/a/c");

  CTypedPtrArray<CObArray, CZLFileObject*> files;
  files.Add(new CZLFileObject);
  ZLFreeObjectArray(files);
  CHECK(files.GetSize() == 0);

  // The handle functions reject a null handle with the documented code.
  long parent = 0;
  CString defName;
  CArray<WORD, WORD> languages;
  CStringArray simLanguages;
  CHECK(GetZLDBCtrlVersion() != 0 && ZLGetErrorText(ZLE_BAD_HANDLE) != nullptr);
  CHECK(!ZLGetParentByID(nullptr, 1, parent) && !ZLGetDefNameByID(nullptr, 1, defName) &&
        !ZLGetAvailableResourceLanguages(nullptr, languages) &&
        !ZLGetAvailableCallSimLanguages(nullptr, simLanguages) &&
        ZLGetLastError() == ZLE_BAD_HANDLE);
  std::printf("caller ok\n");
  return 0;
}
