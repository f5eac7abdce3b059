#include "zldbctrl70/platform/coll_list.h"

#include "zldbctrl70/platform/archive.h"

IMPLEMENT_SERIAL(CObList, CObject, 0)
IMPLEMENT_DYNAMIC(CPtrList, CObject)
IMPLEMENT_SERIAL(CStringList, CObject, 0)

namespace {

// Count, then the elements head to tail.  Loading appends one by one, so a
// damaged count runs into the end of the data instead of a huge allocation.
template <class LIST, class ELEMENT>
void SerializeList(LIST& list, CArchive& ar) {
  if (ar.IsStoring()) {
    ar.WriteCount(static_cast<DWORD>(list.GetCount()));
    for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) ar << list.GetNext(pos);
  } else {
    list.RemoveAll();
    const DWORD nCount = ar.ReadCount();
    for (DWORD i = 0; i < nCount; ++i) {
      ELEMENT element{};
      ar >> element;
      list.AddTail(element);
    }
  }
}

}  // namespace

void CObList::Serialize(CArchive& ar) {
  CObject::Serialize(ar);
  SerializeList<CObList, CObject*>(*this, ar);
}

void CStringList::Serialize(CArchive& ar) {
  CObject::Serialize(ar);
  SerializeList<CStringList, CString>(*this, ar);
}
