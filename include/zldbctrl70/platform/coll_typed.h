// Typed pointer collections over the classic pointer collections:
// CTypedPtrArray<CObArray or CPtrArray, T*>, CTypedPtrList<CObList or
// CPtrList, T*> and CTypedPtrMap<CMapStringToOb, CMapWordToOb, ...,
// KEY, T*>.
//
// They store their pointers in the base collection, so a typed collection
// can be passed wherever its base is expected (ZLFreeObjectArray takes a
// CObArray&).  The typed members take and give T*; read accessors return the
// pointer by value (assign through SetAt), ElementAt and the map's
// operator[] return a CTypedPtrRef that reads and assigns T*.  Like their
// bases they never delete what they point to.
#ifndef ZLDBCTRL70_PLATFORM_COLL_TYPED_H_
#define ZLDBCTRL70_PLATFORM_COLL_TYPED_H_

#include <type_traits>
#include <utility>

#include "zldbctrl70/export.h"
#include "zldbctrl70/platform/coll_array.h"
#include "zldbctrl70/platform/coll_base.h"
#include "zldbctrl70/platform/coll_list.h"
#include "zldbctrl70/platform/coll_map.h"

template <class BASE_CLASS, class TYPE>
class ZL_EXPORT CTypedPtrArray : public BASE_CLASS {
  static_assert(std::is_pointer_v<TYPE>, "CTypedPtrArray holds pointers");
  // The base's slot type: CObject* or void*.
  using Slot = std::remove_reference_t<decltype(std::declval<BASE_CLASS&>().ElementAt(0))>;

 public:
  TYPE GetAt(int nIndex) const { return static_cast<TYPE>(BASE_CLASS::GetAt(nIndex)); }
  TYPE operator[](int nIndex) const { return GetAt(nIndex); }
  CTypedPtrRef<Slot, TYPE> ElementAt(int nIndex) {
    return CTypedPtrRef<Slot, TYPE>(BASE_CLASS::ElementAt(nIndex));
  }
  void SetAt(int nIndex, TYPE ptr) { BASE_CLASS::SetAt(nIndex, ptr); }
  void SetAtGrow(int nIndex, TYPE newElement) { BASE_CLASS::SetAtGrow(nIndex, newElement); }
  int Add(TYPE newElement) { return BASE_CLASS::Add(newElement); }
  int Append(const CTypedPtrArray& src) { return BASE_CLASS::Append(src); }
  void Copy(const CTypedPtrArray& src) { BASE_CLASS::Copy(src); }
  void InsertAt(int nIndex, TYPE newElement, int nCount = 1) {
    BASE_CLASS::InsertAt(nIndex, newElement, nCount);
  }
  void InsertAt(int nStartIndex, const CTypedPtrArray* pNewArray) {
    BASE_CLASS::InsertAt(nStartIndex, pNewArray);
  }
};

template <class BASE_CLASS, class TYPE>
class ZL_EXPORT CTypedPtrList : public BASE_CLASS {
  static_assert(std::is_pointer_v<TYPE>, "CTypedPtrList holds pointers");

 public:
  explicit CTypedPtrList(int nBlockSize = 10) : BASE_CLASS(nBlockSize) {}

  TYPE GetHead() const { return static_cast<TYPE>(BASE_CLASS::GetHead()); }
  TYPE GetTail() const { return static_cast<TYPE>(BASE_CLASS::GetTail()); }
  TYPE RemoveHead() { return static_cast<TYPE>(BASE_CLASS::RemoveHead()); }
  TYPE RemoveTail() { return static_cast<TYPE>(BASE_CLASS::RemoveTail()); }
  TYPE GetNext(POSITION& rPosition) const {
    return static_cast<TYPE>(BASE_CLASS::GetNext(rPosition));
  }
  TYPE GetPrev(POSITION& rPosition) const {
    return static_cast<TYPE>(BASE_CLASS::GetPrev(rPosition));
  }
  TYPE GetAt(POSITION position) const { return static_cast<TYPE>(BASE_CLASS::GetAt(position)); }
  void SetAt(POSITION pos, TYPE newElement) { BASE_CLASS::SetAt(pos, newElement); }
  POSITION AddHead(TYPE newElement) { return BASE_CLASS::AddHead(newElement); }
  POSITION AddTail(TYPE newElement) { return BASE_CLASS::AddTail(newElement); }
  void AddHead(const CTypedPtrList* pNewList) { BASE_CLASS::AddHead(pNewList); }
  void AddTail(const CTypedPtrList* pNewList) { BASE_CLASS::AddTail(pNewList); }
  POSITION InsertBefore(POSITION position, TYPE newElement) {
    return BASE_CLASS::InsertBefore(position, newElement);
  }
  POSITION InsertAfter(POSITION position, TYPE newElement) {
    return BASE_CLASS::InsertAfter(position, newElement);
  }
};

template <class BASE_CLASS, class KEY, class VALUE>
class ZL_EXPORT CTypedPtrMap : public BASE_CLASS {
  static_assert(std::is_pointer_v<VALUE>, "CTypedPtrMap holds pointers");
  using BaseArgKey = typename BASE_CLASS::BASE_ARG_KEY;
  using BaseKey = typename BASE_CLASS::BASE_KEY;
  using BaseValue = typename BASE_CLASS::BASE_VALUE;

 public:
  explicit CTypedPtrMap(int nBlockSize = 10) : BASE_CLASS(nBlockSize) {}

  BOOL Lookup(BaseArgKey key, VALUE& rValue) const {
    BaseValue value = nullptr;
    if (!BASE_CLASS::Lookup(key, value)) return FALSE;
    rValue = static_cast<VALUE>(value);
    return TRUE;
  }
  CTypedPtrRef<BaseValue, VALUE> operator[](BaseArgKey key) {
    return CTypedPtrRef<BaseValue, VALUE>(BASE_CLASS::operator[](key));
  }
  void SetAt(BaseArgKey key, VALUE newValue) { BASE_CLASS::SetAt(key, newValue); }
  BOOL RemoveKey(BaseArgKey key) { return BASE_CLASS::RemoveKey(key); }
  void GetNextAssoc(POSITION& rPosition, KEY& rKey, VALUE& rValue) const {
    BaseKey key;
    BaseValue value = nullptr;
    BASE_CLASS::GetNextAssoc(rPosition, key, value);
    rKey = key;
    rValue = static_cast<VALUE>(value);
  }
};

#endif  // ZLDBCTRL70_PLATFORM_COLL_TYPED_H_
