#include "zldbctrl70/platform/coll_map.h"

#include "zldbctrl70/platform/archive.h"

IMPLEMENT_SERIAL(CMapStringToOb, CObject, 0)
IMPLEMENT_DYNAMIC(CMapStringToPtr, CObject)
IMPLEMENT_SERIAL(CMapStringToString, CObject, 0)
IMPLEMENT_SERIAL(CMapWordToOb, CObject, 0)
IMPLEMENT_DYNAMIC(CMapWordToPtr, CObject)
IMPLEMENT_DYNAMIC(CMapPtrToPtr, CObject)

namespace {

// Count, then key and value of each entry in walk order.  Loading adds one
// entry at a time, so a damaged count runs into the end of the data.  A key
// that comes twice (never stored so) is refused before its value is read:
// taking it would drop the first value, and an object that was would be
// lost to its owner.
template <class MAP, class KEY, class VALUE>
void SerializeMap(MAP& map, CArchive& ar) {
  if (ar.IsStoring()) {
    ar.WriteCount(static_cast<DWORD>(map.GetCount()));
    KEY key{};
    VALUE value{};
    for (POSITION pos = map.GetStartPosition(); pos != nullptr;) {
      map.GetNextAssoc(pos, key, value);
      ar << key;
      ar << value;
    }
  } else {
    map.RemoveAll();
    const DWORD nCount = ar.ReadCount();
    for (DWORD i = 0; i < nCount; ++i) {
      KEY key{};
      VALUE value{};
      ar >> key;
      if (map.Lookup(key, value)) throw CArchiveException(CArchiveException::generic);
      ar >> value;
      map.SetAt(key, value);
    }
  }
}

}  // namespace

void CMapStringToOb::Serialize(CArchive& ar) {
  CObject::Serialize(ar);
  SerializeMap<CMapStringToOb, CString, CObject*>(*this, ar);
}

void CMapStringToString::Serialize(CArchive& ar) {
  CObject::Serialize(ar);
  SerializeMap<CMapStringToString, CString, CString>(*this, ar);
}

void CMapWordToOb::Serialize(CArchive& ar) {
  CObject::Serialize(ar);
  SerializeMap<CMapWordToOb, WORD, CObject*>(*this, ar);
}
