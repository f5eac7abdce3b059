// A caller that includes only the umbrella header and links the shared
// library: it must compile, link and run with nothing else.
#include <cstdio>
#include <cstring>

#include "zldbctrl70.h"

namespace {

// A caller's own class with run-time class information.
class CCallerItem : public CObject {
  DECLARE_DYNCREATE(CCallerItem)
};

}  // namespace

IMPLEMENT_DYNCREATE(CCallerItem, CObject)

namespace {

// The value classes: each returns 0 when it behaves, a step number when not.
int UseValueClasses() {
  CString upper("\xC3\xA4x");
  upper.MakeUpper();
  if (upper != "\xC3\x84X" || lstrcmpi("\xC3\xA4X", upper) != 0) return 10;
  CString formatted;
  formatted.Format("%s-%04d", upper.Mid(2).GetString(), 7);
  if (formatted != "X-0007") return 11;

  COleVariant number(static_cast<int32_t>(42));
  number.ChangeType(VT_BSTR);
  if (CString(V_BSTRT(&number)) != "42") return 12;
  try {
    COleVariant("not a number").ChangeType(VT_I4);
    return 13;
  } catch (const CException& e) {
    // The exception's class information crosses the library boundary.
    if (!e.IsKindOf(RUNTIME_CLASS(CTypeMismatchException))) return 14;
  }

  COleDateTime date(1899, 12, 29, 6, 0, 0);
  COleDateTime back{COleVariant(date)};
  if (date.m_dt != -1.25 || back.GetHour() != 6 || back.Format() != "1899-12-29 06:00:00") {
    return 15;
  }
  if (COleDateTime::GetCurrentTime().GetStatus() != COleDateTime::valid) return 16;

  CLongBinary binary;
  binary.Assign("bytes", 5);
  COleVariant bytes(binary);
  if (bytes.GetByteArraySize() != 5 || GlobalSize(binary.m_hData) != 5) return 17;
  HGLOBAL grown = GlobalReAlloc(binary.m_hData, 64, GMEM_ZEROINIT);
  if (grown != binary.m_hData || GlobalLock(grown) == nullptr) return 18;
  GlobalUnlock(grown);
  if (GlobalLock(reinterpret_cast<HGLOBAL>(0x1234)) != nullptr) return 19;

  const CRuntimeClass* found = CRuntimeClass::FromName("CCallerItem");
  CObject* made = found != nullptr ? found->CreateObject() : nullptr;
  bool ok = made != nullptr && made->IsKindOf(RUNTIME_CLASS(CObject)) &&
            CRuntimeClass::FromName("CMemoryException") == RUNTIME_CLASS(CMemoryException);
  delete made;
  return ok ? 0 : 20;
}

}  // namespace

// A caller's own serialisable class, stored and loaded through an archive.
class CCallerCall : public CObject {
  DECLARE_SERIAL(CCallerCall)
 public:
  void Serialize(CArchive& ar) override {
    if (ar.IsStoring()) {
      ar << m_dwLevel << m_strKey;
    } else {
      ar >> m_dwLevel >> m_strKey;
    }
  }
  DWORD m_dwLevel = 0;
  CString m_strKey;
};

IMPLEMENT_SERIAL(CCallerCall, CObject, 0)

namespace {

// Collections, archive, file functions and language texts: 0 when they
// behave, a step number when not.
int UseCollectionsAndFiles() {
  CTypedPtrArray<CObArray, CCallerCall*> calls;
  calls.Add(new CCallerCall);
  calls[0]->m_dwLevel = 3;
  calls[0]->m_strKey = "key";
  calls.Add(calls[0]);  // the same object twice

  CMemFile file;
  {
    CArchive ar(&file, CArchive::store);
    calls.Serialize(ar);
  }
  file.SeekToBegin();
  CTypedPtrArray<CObArray, CCallerCall*> loaded;
  {
    CArchive ar(&file, CArchive::load);
    loaded.Serialize(ar);
  }
  const bool sameObject = loaded.GetSize() == 2 && loaded[0] == loaded[1];
  const bool sameData = sameObject && loaded[0]->m_dwLevel == 3 && loaded[0]->m_strKey == "key";
  delete calls[0];
  if (sameObject) delete loaded[0];
  if (!sameData) return 30;

  CMap<WORD, WORD, CString, LPCSTR> titles;
  KWSetLangDependentString(titles, 1033, "Title");
  CString title;
  if (KWGetLangDependentString(titles, 1033, title) != 1 || title != "Title") return 31;
  if (KWGetLangDependentString(titles, 1031, title) != 0 || !title.IsEmpty()) return 32;

  CTypedPtrMap<CMapStringToOb, CString, CCallerCall*> byName;
  CCallerCall call;
  byName.SetAt("VHDLA", &call);
  CCallerCall* found = nullptr;
  if (!byName.Lookup("VHDLA", found) || found != &call) return 33;

  char full[MAX_PATH];
  if (_fullpath(full, "/a/./b/../c", sizeof full) == nullptr || CString(full) != "/a/c") {
    return 34;
  }
  char temp[256];
  if (GetTempPath(sizeof temp, temp) == 0 || temp[std::strlen(temp) - 1] != '/') return 35;
  return 0;
}

// The model value objects and their free routines: 0 when they behave.
int UseValueObjects() {
  CZLFileObject file;
  file.m_lbData.Assign("bytes", 5);
  CZLFileObject* copy = new CZLFileObject(&file);
  if (copy->m_lbData.m_hData == file.m_lbData.m_hData || GlobalSize(copy->m_lbData.m_hData) != 5) {
    delete copy;
    return 30;
  }
  CTypedPtrArray<CObArray, CZLFileObject*> files;
  files.Add(copy);
  files.Add(nullptr);
  ZLFreeObjectArray(files);
  if (files.GetSize() != 0 || GlobalSize(file.m_lbData.m_hData) != 5) return 31;

  CZLMacroMap macros;
  CZLMacroArray* vhdl = new CZLMacroArray;
  vhdl->Add(new CZLMacroObject);
  macros.SetAt("VHDLA", vhdl);
  ZLFreeMacroMap(macros);
  if (macros.GetCount() != 0 || CZLKeywordObject().m_wLanguage != 1033) return 32;

  const CRuntimeClass* callClass = CRuntimeClass::FromName("CZLCallObject");
  CObject* call = callClass != nullptr ? callClass->CreateObject() : nullptr;
  bool ok = call != nullptr && call->IsKindOf(RUNTIME_CLASS(CZLCallObject));
  delete call;
  return ok ? 0 : 33;
}

}  // namespace

int main() {
  if (int failed = UseValueClasses()) {
    std::printf("value classes failed at step %d\n", failed);
    return 1;
  }
  if (int failed = UseValueObjects()) {
    std::printf("value objects failed at step %d\n", failed);
    return 1;
  }
  if (int failed = UseCollectionsAndFiles()) {
    std::printf("collections and files failed at step %d\n", failed);
    return 1;
  }
  CString text("caller");
  text += " ok";
  COleVariant value(text);
  if (value.vt != VT_BSTR || text != V_BSTRT(&value)) return 1;
  HGLOBAL block = GlobalAlloc(GHND, 16);
  if (GlobalSize(block) != 16) return 1;
  GlobalFree(block);
  std::printf("%s\n", text.GetString());
  return 0;
}
