#include "zldbctrl70/platform/coll_array.h"

#include "zldbctrl70/platform/archive.h"

IMPLEMENT_SERIAL(CObArray, CObject, 0)
IMPLEMENT_DYNAMIC(CPtrArray, CObject)
IMPLEMENT_SERIAL(CStringArray, CObject, 0)
IMPLEMENT_SERIAL(CDWordArray, CObject, 0)
IMPLEMENT_SERIAL(CWordArray, CObject, 0)
IMPLEMENT_SERIAL(CByteArray, CObject, 0)

namespace {

// Writes the count and each element, or reads them back.  Loading appends
// element by element instead of sizing the array from the stored count, so
// a damaged count cannot make it allocate more than the data holds.
template <class ARRAY, class ELEMENT>
void SerializeElements(ARRAY& array, CArchive& ar) {
  if (ar.IsStoring()) {
    ar.WriteCount(static_cast<DWORD>(array.GetSize()));
    for (int i = 0; i < array.GetSize(); ++i) ar << array.GetAt(i);
  } else {
    array.RemoveAll();
    const DWORD nCount = ar.ReadCount();
    for (DWORD i = 0; i < nCount; ++i) {
      ELEMENT element{};
      ar >> element;
      array.Add(element);
    }
  }
}

}  // namespace

void CObArray::Serialize(CArchive& ar) {
  CObject::Serialize(ar);
  SerializeElements<CObArray, CObject*>(*this, ar);
}

void CStringArray::Serialize(CArchive& ar) {
  CObject::Serialize(ar);
  SerializeElements<CStringArray, CString>(*this, ar);
}

void CDWordArray::Serialize(CArchive& ar) {
  CObject::Serialize(ar);
  SerializeElements<CDWordArray, DWORD>(*this, ar);
}

void CWordArray::Serialize(CArchive& ar) {
  CObject::Serialize(ar);
  SerializeElements<CWordArray, WORD>(*this, ar);
}

void CByteArray::Serialize(CArchive& ar) {
  CObject::Serialize(ar);
  SerializeElements<CByteArray, BYTE>(*this, ar);
}
