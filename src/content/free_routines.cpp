// The routines with which callers free whole containers of value objects.
// They delete through CObject's virtual destructor, so each object releases
// its own strings, maps and blocks.
#include "zldbctrl70/value_objects.h"

namespace {

// Deletes the objects from the last index down to 0 and empties the array.
// Indexes are always in range and SetSize(0) allocates nothing, so nothing
// here can throw.
void DeleteArrayObjects(CObArray& array) {
  for (int i = array.GetSize() - 1; i >= 0; --i) {
    CObject* pObject = array.GetAt(i);
    array.SetAt(i, nullptr);  // never leave a dangling pointer behind
    delete pObject;
  }
  array.SetSize(0);
}

// Frees a map whose values are heap-allocated arrays of objects: each
// array's objects, then the array itself, then the associations.  A null
// array is skipped.
template <class KEY, class MAP>
void FreeArrayMap(MAP& map) {
  POSITION pos = map.GetStartPosition();
  while (pos != nullptr) {
    KEY key;
    CObject* pValue = nullptr;
    map.GetNextAssoc(pos, key, pValue);
    // The values are typed pointer arrays, all of them CObArrays.
    CObArray* pArray = static_cast<CObArray*>(pValue);
    if (pArray == nullptr) continue;
    DeleteArrayObjects(*pArray);
    delete pArray;
  }
  map.RemoveAll();
}

// Frees a map whose values are single objects, then the associations.
template <class KEY, class MAP>
void FreeObjectMap(MAP& map) {
  POSITION pos = map.GetStartPosition();
  while (pos != nullptr) {
    KEY key;
    CObject* pObject = nullptr;
    map.GetNextAssoc(pos, key, pObject);
    delete pObject;
  }
  map.RemoveAll();
}

}  // namespace

void ZLFreeObjectList(CObList& list) {
  while (list.IsEmpty() == FALSE) delete list.RemoveHead();
}

void ZLFreeObjectArray(CObArray& array) { DeleteArrayObjects(array); }

void ZLFreeBookmarkArray(CTypedPtrArray<CPtrArray, COleVariant*>& array) {
  for (int i = array.GetSize() - 1; i >= 0; --i) {
    COleVariant* pVariant = array.GetAt(i);
    array.SetAt(i, nullptr);
    if (pVariant == nullptr) continue;
    pVariant->Clear();
    delete pVariant;
  }
  array.SetSize(0);
}

void ZLFreeKeywordMap(
    CTypedPtrMap<CMapWordToOb, WORD, CTypedPtrArray<CObArray, CZLKeywordObject*>*>& map) {
  FreeArrayMap<WORD>(static_cast<CMapWordToOb&>(map));
}

void ZLFreeMacroMap(
    CTypedPtrMap<CMapStringToOb, CString, CTypedPtrArray<CObArray, CZLMacroObject*>*>& map) {
  FreeArrayMap<CString>(static_cast<CMapStringToOb&>(map));
}

void ZLFreeMacroMap(
    CTypedPtrMap<CMapStringToOb, CString, CTypedPtrArray<CObArray, CZLBinaryMacroObject*>*>& map) {
  FreeArrayMap<CString>(static_cast<CMapStringToOb&>(map));
}

void ZLFreeCallMap(
    CTypedPtrMap<CMapStringToOb, CString, CTypedPtrArray<CObArray, CZLCallObject*>*>& map) {
  FreeArrayMap<CString>(static_cast<CMapStringToOb&>(map));
}

void ZLFreePackageMap(CTypedPtrMap<CMapStringToOb, CString, CZLPackageObject*>& map) {
  FreeObjectMap<CString>(static_cast<CMapStringToOb&>(map));
}

void ZLFreePackageMap(CTypedPtrMap<CMapStringToOb, CString, CZLBinaryPackageObject*>& map) {
  FreeObjectMap<CString>(static_cast<CMapStringToOb&>(map));
}
