// Hash maps: the CMap template and the classic concrete maps
// (CMapStringToOb, CMapStringToPtr, CMapStringToString, CMapWordToOb,
// CMapWordToPtr, CMapPtrToPtr).
//
// Look-ups, insertions and removals take constant time on average: the
// table doubles when it holds more entries than buckets (InitHashTable only
// sets the starting size).  String keys compare byte-wise, with case.
//
// A walk visits the entries in the order they were added:
//   POSITION pos = map.GetStartPosition();
//   while (pos != nullptr) { map.GetNextAssoc(pos, key, value); ... }
// GetNextAssoc hands out one entry and moves pos on to the next, so removing
// the entry just handed out (RemoveKey(key)) leaves the walk intact.
// Removing the entry pos names, or RemoveAll, ends the walk's validity;
// entries added during a walk are visited by it.
//
// Maps of pointers never delete what they point to.  Copying a map copies
// its entries.
#ifndef ZLDBCTRL70_PLATFORM_COLL_MAP_H_
#define ZLDBCTRL70_PLATFORM_COLL_MAP_H_

#include <utility>
#include <vector>

#include "zldbctrl70/export.h"
#include "zldbctrl70/platform/coll_base.h"
#include "zldbctrl70/platform/cstring.h"
#include "zldbctrl70/platform/object.h"
#include "zldbctrl70/platform/types.h"

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
class ZL_EXPORT CMap : public CObject {
 public:
  typedef KEY BASE_KEY;
  typedef ARG_KEY BASE_ARG_KEY;
  typedef VALUE BASE_VALUE;
  typedef ARG_VALUE BASE_ARG_VALUE;

  // nBlockSize is accepted for compatibility; entries are allocated one by one.
  explicit CMap(int nBlockSize = 10) { (void)nBlockSize; }
  CMap(const CMap& other) : CObject(other), m_nHashTableSize(other.m_nHashTableSize) {
    CopyFrom(other);
  }
  CMap& operator=(const CMap& other) {
    if (this != &other) {
      CMap copy(other);
      Swap(copy);
    }
    return *this;
  }
  ~CMap() override { RemoveAll(); }

  int GetCount() const { return m_nCount; }
  int GetSize() const { return m_nCount; }
  BOOL IsEmpty() const { return m_nCount == 0 ? TRUE : FALSE; }

  // Copies the value of key into rValue; FALSE (rValue untouched) when absent.
  BOOL Lookup(ARG_KEY key, VALUE& rValue) const {
    const CAssoc* assoc = Find(key, HashKey<ARG_KEY>(key));
    if (assoc == nullptr) return FALSE;
    rValue = assoc->value;
    return TRUE;
  }
  // The value of key, added value-initialised (null, 0, empty) when absent.
  VALUE& operator[](ARG_KEY key) {
    const UINT nHash = HashKey<ARG_KEY>(key);
    CAssoc* assoc = Find(key, nHash);
    if (assoc == nullptr) assoc = Insert(key, nHash);
    return assoc->value;
  }
  void SetAt(ARG_KEY key, ARG_VALUE newValue) { (*this)[key] = newValue; }
  // Removes key; FALSE when it was absent.
  BOOL RemoveKey(ARG_KEY key) {
    if (m_buckets.empty()) return FALSE;
    const UINT nHash = HashKey<ARG_KEY>(key);
    CAssoc** link = &m_buckets[Bucket(nHash)];
    for (; *link != nullptr; link = &(*link)->pNextInBucket) {
      CAssoc* assoc = *link;
      if (assoc->nHashValue == nHash && CompareElements(&assoc->key, &key)) {
        *link = assoc->pNextInBucket;
        UnlinkOrder(assoc);
        delete assoc;
        --m_nCount;
        return TRUE;
      }
    }
    return FALSE;
  }
  // Removes every entry and releases the table.
  void RemoveAll() {
    CAssoc* assoc = m_pFirst;
    while (assoc != nullptr) {
      CAssoc* next = assoc->pNextInOrder;
      delete assoc;
      assoc = next;
    }
    m_pFirst = m_pLast = nullptr;
    m_nCount = 0;
    std::vector<CAssoc*>().swap(m_buckets);
  }

  POSITION GetStartPosition() const { return ToPos(m_pFirst); }
  // Hands out the entry at rNextPosition and moves it to the next entry
  // (null after the last).  A null position throws std::out_of_range.
  void GetNextAssoc(POSITION& rNextPosition, KEY& rKey, VALUE& rValue) const {
    if (rNextPosition == nullptr) zl_coll::ThrowBadIndex("CMap::GetNextAssoc: null position");
    const CAssoc* assoc = reinterpret_cast<const CAssoc*>(rNextPosition);
    rKey = assoc->key;
    rValue = assoc->value;
    rNextPosition = ToPos(assoc->pNextInOrder);
  }

  // Number of buckets (the size asked for before the table exists).
  UINT GetHashTableSize() const {
    return m_buckets.empty() ? m_nHashTableSize : static_cast<UINT>(m_buckets.size());
  }
  // Sets the starting number of buckets (rounded up to a table prime); with
  // bAllocNow the table is made at once, else on the first insertion.  On a
  // map that holds entries the table is rebuilt at that size (never smaller
  // than the entries need).
  void InitHashTable(UINT hashSize, BOOL bAllocNow = TRUE) {
    m_nHashTableSize = hashSize == 0 ? 1 : hashSize;
    if (bAllocNow || !m_buckets.empty()) Rehash(m_nHashTableSize);
  }

 private:
  struct CAssoc {
    CAssoc(ARG_KEY k, UINT nHash) : nHashValue(nHash), key(k), value() {}
    CAssoc* pNextInBucket = nullptr;
    CAssoc* pPrevInOrder = nullptr;
    CAssoc* pNextInOrder = nullptr;
    UINT nHashValue;
    KEY key;
    VALUE value;
  };

  static POSITION ToPos(const CAssoc* assoc) {
    return reinterpret_cast<POSITION>(const_cast<CAssoc*>(assoc));
  }
  size_t Bucket(UINT nHash) const { return nHash % m_buckets.size(); }

  CAssoc* Find(ARG_KEY key, UINT nHash) const {
    if (m_buckets.empty()) return nullptr;
    for (CAssoc* assoc = m_buckets[Bucket(nHash)]; assoc != nullptr; assoc = assoc->pNextInBucket) {
      if (assoc->nHashValue == nHash && CompareElements(&assoc->key, &key)) return assoc;
    }
    return nullptr;
  }
  CAssoc* Insert(ARG_KEY key, UINT nHash) {
    // Grow before linking, so a failed allocation leaves the map unchanged.
    if (m_buckets.empty()) {
      Rehash(m_nHashTableSize);
    } else if (static_cast<size_t>(m_nCount) >= m_buckets.size()) {
      Rehash(m_buckets.size() * 2);
    }
    CAssoc* assoc = zl_coll::Allocating([&] { return new CAssoc(key, nHash); });
    CAssoc*& head = m_buckets[Bucket(nHash)];
    assoc->pNextInBucket = head;
    head = assoc;
    assoc->pPrevInOrder = m_pLast;
    if (m_pLast != nullptr)
      m_pLast->pNextInOrder = assoc;
    else
      m_pFirst = assoc;
    m_pLast = assoc;
    ++m_nCount;
    return assoc;
  }
  void UnlinkOrder(CAssoc* assoc) {
    if (assoc->pPrevInOrder != nullptr)
      assoc->pPrevInOrder->pNextInOrder = assoc->pNextInOrder;
    else
      m_pFirst = assoc->pNextInOrder;
    if (assoc->pNextInOrder != nullptr)
      assoc->pNextInOrder->pPrevInOrder = assoc->pPrevInOrder;
    else
      m_pLast = assoc->pPrevInOrder;
  }
  void Rehash(size_t nWanted) {
    const size_t nBuckets =
        zl_coll::TableSize(nWanted > static_cast<size_t>(m_nCount) ? nWanted : m_nCount);
    if (nBuckets == m_buckets.size()) return;
    std::vector<CAssoc*> buckets =
        zl_coll::Allocating([&] { return std::vector<CAssoc*>(nBuckets, nullptr); });
    m_buckets.swap(buckets);
    // Rebuilding from the order chain keeps each bucket in insertion order.
    for (CAssoc* assoc = m_pLast; assoc != nullptr; assoc = assoc->pPrevInOrder) {
      CAssoc*& head = m_buckets[Bucket(assoc->nHashValue)];
      assoc->pNextInBucket = head;
      head = assoc;
    }
  }
  void CopyFrom(const CMap& other) {
    for (const CAssoc* assoc = other.m_pFirst; assoc != nullptr; assoc = assoc->pNextInOrder) {
      CAssoc* copy = Insert(assoc->key, assoc->nHashValue);
      copy->value = assoc->value;
    }
  }
  void Swap(CMap& other) {
    m_buckets.swap(other.m_buckets);
    std::swap(m_pFirst, other.m_pFirst);
    std::swap(m_pLast, other.m_pLast);
    std::swap(m_nCount, other.m_nCount);
    std::swap(m_nHashTableSize, other.m_nHashTableSize);
  }

  std::vector<CAssoc*> m_buckets;  // empty, or a table prime of chains
  CAssoc* m_pFirst = nullptr;      // the order chain, oldest first
  CAssoc* m_pLast = nullptr;
  int m_nCount = 0;
  UINT m_nHashTableSize = 17;
};

// Serialisable maps write their count and then each key and value in walk
// order; object values go through CArchive::WriteObject.  Loading empties
// the map (without deleting objects) and then adds.
class ZL_EXPORT CMapStringToOb : public CMap<CString, LPCSTR, CObject*, CObject*> {
  DECLARE_SERIAL(CMapStringToOb)
 public:
  explicit CMapStringToOb(int nBlockSize = 10) : CMap(nBlockSize) {}
  void Serialize(CArchive& ar) override;
};

class ZL_EXPORT CMapStringToPtr : public CMap<CString, LPCSTR, void*, void*> {
  DECLARE_DYNAMIC(CMapStringToPtr)
 public:
  explicit CMapStringToPtr(int nBlockSize = 10) : CMap(nBlockSize) {}
};

class ZL_EXPORT CMapStringToString : public CMap<CString, LPCSTR, CString, LPCSTR> {
  DECLARE_SERIAL(CMapStringToString)
 public:
  explicit CMapStringToString(int nBlockSize = 10) : CMap(nBlockSize) {}
  void Serialize(CArchive& ar) override;
};

class ZL_EXPORT CMapWordToOb : public CMap<WORD, WORD, CObject*, CObject*> {
  DECLARE_SERIAL(CMapWordToOb)
 public:
  explicit CMapWordToOb(int nBlockSize = 10) : CMap(nBlockSize) {}
  void Serialize(CArchive& ar) override;
};

class ZL_EXPORT CMapWordToPtr : public CMap<WORD, WORD, void*, void*> {
  DECLARE_DYNAMIC(CMapWordToPtr)
 public:
  explicit CMapWordToPtr(int nBlockSize = 10) : CMap(nBlockSize) {}
};

class ZL_EXPORT CMapPtrToPtr : public CMap<void*, void*, void*, void*> {
  DECLARE_DYNAMIC(CMapPtrToPtr)
 public:
  explicit CMapPtrToPtr(int nBlockSize = 10) : CMap(nBlockSize) {}
};

#endif  // ZLDBCTRL70_PLATFORM_COLL_MAP_H_
