// Doubly linked lists: the CList template and the classic concrete lists
// (CObList, CPtrList, CStringList).
//
// A POSITION names one element of one list; it stays valid until that
// element is removed, whatever else is added or removed.  Walks go
//   for (POSITION pos = list.GetHeadPosition(); pos != nullptr;)
//     CObject* p = list.GetNext(pos);   // pos now names the next element
// so removing the element just returned is safe.  A position of another
// list or of a removed element must not be passed (it cannot be detected);
// a null position where an element is needed, and taking or removing the
// head or tail of an empty list, throw std::out_of_range.
//
// Lists of pointers never delete what they point to.  Copying a list copies
// its elements.
#ifndef ZLDBCTRL70_PLATFORM_COLL_LIST_H_
#define ZLDBCTRL70_PLATFORM_COLL_LIST_H_

#include <utility>

#include "zldbctrl70/export.h"
#include "zldbctrl70/platform/coll_base.h"
#include "zldbctrl70/platform/cstring.h"
#include "zldbctrl70/platform/object.h"
#include "zldbctrl70/platform/types.h"

template <class TYPE, class ARG_TYPE = const TYPE&>
class ZL_EXPORT CList : public CObject {
 public:
  // nBlockSize is accepted for compatibility; nodes are allocated one by one.
  explicit CList(int nBlockSize = 10) { (void)nBlockSize; }
  CList(const CList& other) : CObject(other) { AddTail(&other); }
  CList& operator=(const CList& other) {
    if (this != &other) {
      CList copy(other);
      Swap(copy);
    }
    return *this;
  }
  ~CList() override { RemoveAll(); }

  int GetCount() const { return m_nCount; }
  int GetSize() const { return m_nCount; }
  BOOL IsEmpty() const { return m_nCount == 0 ? TRUE : FALSE; }

  TYPE& GetHead() { return NonEmpty(m_pHead)->data; }
  const TYPE& GetHead() const { return NonEmpty(m_pHead)->data; }
  TYPE& GetTail() { return NonEmpty(m_pTail)->data; }
  const TYPE& GetTail() const { return NonEmpty(m_pTail)->data; }

  TYPE RemoveHead() {
    CNode* node = NonEmpty(m_pHead);
    TYPE value(node->data);
    Unlink(node);
    return value;
  }
  TYPE RemoveTail() {
    CNode* node = NonEmpty(m_pTail);
    TYPE value(node->data);
    Unlink(node);
    return value;
  }

  POSITION AddHead(ARG_TYPE newElement) { return Link(NewNode(newElement), nullptr, m_pHead); }
  POSITION AddTail(ARG_TYPE newElement) { return Link(NewNode(newElement), m_pTail, nullptr); }
  // Adds the elements of another list (which may be this one), keeping their
  // order, before the head or after the tail.
  void AddHead(const CList* pNewList) {
    if (pNewList == nullptr) return;
    CList copy(*pNewList);
    copy.SpliceAfter(*this, false);
  }
  void AddTail(const CList* pNewList) {
    if (pNewList == nullptr || pNewList->m_nCount == 0) return;
    CList copy;
    for (CNode* n = pNewList->m_pHead; n != nullptr; n = n->pNext) {
      copy.Link(copy.NewNode(n->data), copy.m_pTail, nullptr);
    }
    copy.SpliceAfter(*this, true);
  }
  void RemoveAll() {
    CNode* node = m_pHead;
    while (node != nullptr) {
      CNode* next = node->pNext;
      delete node;
      node = next;
    }
    m_pHead = m_pTail = nullptr;
    m_nCount = 0;
  }

  POSITION GetHeadPosition() const { return ToPos(m_pHead); }
  POSITION GetTailPosition() const { return ToPos(m_pTail); }
  // The element at rPosition; rPosition moves to the next (or previous)
  // element, null after the last (or first).
  TYPE& GetNext(POSITION& rPosition) {
    CNode* node = FromPos(rPosition);
    rPosition = ToPos(node->pNext);
    return node->data;
  }
  const TYPE& GetNext(POSITION& rPosition) const {
    CNode* node = FromPos(rPosition);
    rPosition = ToPos(node->pNext);
    return node->data;
  }
  TYPE& GetPrev(POSITION& rPosition) {
    CNode* node = FromPos(rPosition);
    rPosition = ToPos(node->pPrev);
    return node->data;
  }
  const TYPE& GetPrev(POSITION& rPosition) const {
    CNode* node = FromPos(rPosition);
    rPosition = ToPos(node->pPrev);
    return node->data;
  }
  TYPE& GetAt(POSITION position) { return FromPos(position)->data; }
  const TYPE& GetAt(POSITION position) const { return FromPos(position)->data; }
  void SetAt(POSITION pos, ARG_TYPE newElement) { FromPos(pos)->data = newElement; }
  void RemoveAt(POSITION position) { Unlink(FromPos(position)); }

  // Inserts before / after the element at position; a null position means
  // the head / the tail.  Returns the new element's position.
  POSITION InsertBefore(POSITION position, ARG_TYPE newElement) {
    if (position == nullptr) return AddHead(newElement);
    CNode* at = FromPos(position);
    return Link(NewNode(newElement), at->pPrev, at);
  }
  POSITION InsertAfter(POSITION position, ARG_TYPE newElement) {
    if (position == nullptr) return AddTail(newElement);
    CNode* at = FromPos(position);
    return Link(NewNode(newElement), at, at->pNext);
  }

  // The first element equal to searchValue after startAfter (from the head
  // when null), or null.
  POSITION Find(ARG_TYPE searchValue, POSITION startAfter = nullptr) const {
    CNode* node = startAfter == nullptr ? m_pHead : FromPos(startAfter)->pNext;
    for (; node != nullptr; node = node->pNext) {
      if (CompareElements(&node->data, &searchValue)) return ToPos(node);
    }
    return nullptr;
  }
  // The position of the nIndex-th element (0-based), or null when out of range.
  POSITION FindIndex(int nIndex) const {
    if (nIndex < 0 || nIndex >= m_nCount) return nullptr;
    CNode* node = m_pHead;
    while (nIndex-- > 0) node = node->pNext;
    return ToPos(node);
  }

 private:
  struct CNode {
    explicit CNode(ARG_TYPE value) : data(value) {}
    CNode* pNext = nullptr;
    CNode* pPrev = nullptr;
    TYPE data;
  };

  static POSITION ToPos(CNode* node) { return reinterpret_cast<POSITION>(node); }
  static CNode* FromPos(POSITION pos) {
    if (pos == nullptr) zl_coll::ThrowBadIndex("CList: null position");
    return reinterpret_cast<CNode*>(pos);
  }
  static CNode* NonEmpty(CNode* node) {
    if (node == nullptr) zl_coll::ThrowBadIndex("CList: the list is empty");
    return node;
  }
  static CNode* NewNode(ARG_TYPE value) {
    return zl_coll::Allocating([&] { return new CNode(value); });
  }
  POSITION Link(CNode* node, CNode* prev, CNode* next) {
    node->pPrev = prev;
    node->pNext = next;
    if (prev != nullptr)
      prev->pNext = node;
    else
      m_pHead = node;
    if (next != nullptr)
      next->pPrev = node;
    else
      m_pTail = node;
    ++m_nCount;
    return ToPos(node);
  }
  void Unlink(CNode* node) {
    if (node->pPrev != nullptr)
      node->pPrev->pNext = node->pNext;
    else
      m_pHead = node->pNext;
    if (node->pNext != nullptr)
      node->pNext->pPrev = node->pPrev;
    else
      m_pTail = node->pPrev;
    --m_nCount;
    delete node;
  }
  void Swap(CList& other) {
    std::swap(m_pHead, other.m_pHead);
    std::swap(m_pTail, other.m_pTail);
    std::swap(m_nCount, other.m_nCount);
  }
  // Moves every node of this list to the head or tail of target (no
  // allocation, so it cannot fail half-way).
  void SpliceAfter(CList& target, bool atTail) {
    if (m_pHead == nullptr) return;
    if (atTail) {
      m_pHead->pPrev = target.m_pTail;
      if (target.m_pTail != nullptr)
        target.m_pTail->pNext = m_pHead;
      else
        target.m_pHead = m_pHead;
      target.m_pTail = m_pTail;
    } else {
      m_pTail->pNext = target.m_pHead;
      if (target.m_pHead != nullptr)
        target.m_pHead->pPrev = m_pTail;
      else
        target.m_pTail = m_pTail;
      target.m_pHead = m_pHead;
    }
    target.m_nCount += m_nCount;
    m_pHead = m_pTail = nullptr;
    m_nCount = 0;
  }

  CNode* m_pHead = nullptr;
  CNode* m_pTail = nullptr;
  int m_nCount = 0;
};

// Serialisable lists write their count and then each element; CObList
// writes its objects with CArchive::WriteObject.  Loading empties the list
// (without deleting the objects) and then appends.
class ZL_EXPORT CObList : public CList<CObject*, CObject*> {
  DECLARE_SERIAL(CObList)
 public:
  explicit CObList(int nBlockSize = 10) : CList(nBlockSize) {}
  void Serialize(CArchive& ar) override;
};

class ZL_EXPORT CPtrList : public CList<void*, void*> {
  DECLARE_DYNAMIC(CPtrList)
 public:
  explicit CPtrList(int nBlockSize = 10) : CList(nBlockSize) {}
};

class ZL_EXPORT CStringList : public CList<CString, const CString&> {
  DECLARE_SERIAL(CStringList)
 public:
  explicit CStringList(int nBlockSize = 10) : CList(nBlockSize) {}
  void Serialize(CArchive& ar) override;
};

#endif  // ZLDBCTRL70_PLATFORM_COLL_LIST_H_
