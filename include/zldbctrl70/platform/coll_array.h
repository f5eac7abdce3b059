// Arrays: the CArray template and the classic concrete arrays (CObArray,
// CPtrArray, CStringArray, CDWordArray, CWordArray, CByteArray).
//
// Indexes are int and start at 0.  Growing keeps the elements and adds
// value-initialised ones (null pointers, zeros, empty strings).  Storage
// grows geometrically whatever grow-by is set, so adding n elements one by
// one costs O(n); the grow-by value is a minimum step.  Arrays of pointers
// never delete what they point to: RemoveAll, RemoveAt and the destructor
// drop the pointers only.  Copying an array copies its elements (for pointer
// arrays, the pointers: both arrays then refer to the same objects).
//
// Bad arguments (an index out of range where the array does not grow, a
// negative size or count) throw std::out_of_range and change nothing.
#ifndef ZLDBCTRL70_PLATFORM_COLL_ARRAY_H_
#define ZLDBCTRL70_PLATFORM_COLL_ARRAY_H_

#include <climits>
#include <utility>
#include <vector>

#include "zldbctrl70/export.h"
#include "zldbctrl70/platform/coll_base.h"
#include "zldbctrl70/platform/cstring.h"
#include "zldbctrl70/platform/object.h"
#include "zldbctrl70/platform/types.h"

template <class TYPE, class ARG_TYPE = const TYPE&>
class ZL_EXPORT CArray : public CObject {
 public:
  CArray() = default;
  CArray(const CArray& other) : CObject(other), m_nGrowBy(other.m_nGrowBy) { Copy(other); }
  CArray& operator=(const CArray& other) {
    if (this != &other) Copy(other);
    return *this;
  }
  ~CArray() override = default;

  int GetSize() const { return static_cast<int>(m_data.size()); }
  int GetCount() const { return GetSize(); }
  BOOL IsEmpty() const { return m_data.empty() ? TRUE : FALSE; }
  int GetUpperBound() const { return GetSize() - 1; }

  // Sets the number of elements; new ones are value-initialised.  A size of
  // 0 releases the storage.  nGrowBy >= 0 sets the minimum growth step.
  void SetSize(int nNewSize, int nGrowBy = -1) {
    if (nNewSize < 0) zl_coll::ThrowBadIndex("CArray::SetSize: negative size");
    if (nGrowBy >= 0) m_nGrowBy = nGrowBy;
    if (nNewSize == 0) {
      std::vector<TYPE>().swap(m_data);
      return;
    }
    Reserve(static_cast<size_t>(nNewSize));
    zl_coll::Allocating([&] { m_data.resize(static_cast<size_t>(nNewSize)); });
  }
  // Releases spare capacity.
  void FreeExtra() {
    zl_coll::Allocating([&] { std::vector<TYPE>(m_data.begin(), m_data.end()).swap(m_data); });
  }
  void RemoveAll() { std::vector<TYPE>().swap(m_data); }

  const TYPE& GetAt(int nIndex) const { return m_data[Checked(nIndex)]; }
  TYPE& GetAt(int nIndex) { return m_data[Checked(nIndex)]; }
  void SetAt(int nIndex, ARG_TYPE newElement) { m_data[Checked(nIndex)] = newElement; }
  TYPE& ElementAt(int nIndex) { return m_data[Checked(nIndex)]; }
  const TYPE& ElementAt(int nIndex) const { return m_data[Checked(nIndex)]; }
  const TYPE& operator[](int nIndex) const { return m_data[Checked(nIndex)]; }
  TYPE& operator[](int nIndex) { return m_data[Checked(nIndex)]; }
  // The elements in order; null when the array is empty.  Valid until the
  // array grows or is emptied.
  const TYPE* GetData() const { return m_data.empty() ? nullptr : m_data.data(); }
  TYPE* GetData() { return m_data.empty() ? nullptr : m_data.data(); }

  // Sets an element, first growing the array when nIndex is past the end.
  void SetAtGrow(int nIndex, ARG_TYPE newElement) {
    if (nIndex < 0) zl_coll::ThrowBadIndex("CArray::SetAtGrow: negative index");
    TYPE value(newElement);  // the argument may be one of our own elements
    if (nIndex >= GetSize()) SetSize(nIndex + 1);
    m_data[static_cast<size_t>(nIndex)] = std::move(value);
  }
  // Appends one element and returns its index.
  int Add(ARG_TYPE newElement) {
    TYPE value(newElement);
    Reserve(m_data.size() + 1);
    zl_coll::Allocating([&] { m_data.push_back(std::move(value)); });
    return GetSize() - 1;
  }
  // Appends the elements of src (which may be this array); returns the index
  // of the first one appended.
  int Append(const CArray& src) {
    const int nOldSize = GetSize();
    const size_t n = src.m_data.size();
    Reserve(m_data.size() + n);
    zl_coll::Allocating([&] {
      for (size_t i = 0; i < n; ++i) m_data.push_back(src.m_data[i]);
    });
    return nOldSize;
  }
  void Copy(const CArray& src) {
    if (this == &src) return;
    zl_coll::Allocating([&] { m_data = src.m_data; });
  }

  // Inserts nCount copies of newElement before nIndex; an index past the end
  // grows the array first.
  void InsertAt(int nIndex, ARG_TYPE newElement, int nCount = 1) {
    if (nIndex < 0 || nCount < 0) zl_coll::ThrowBadIndex("CArray::InsertAt: negative argument");
    if (nCount == 0) return;
    TYPE value(newElement);
    if (nIndex > GetSize()) SetSize(nIndex);
    Reserve(m_data.size() + static_cast<size_t>(nCount));
    zl_coll::Allocating(
        [&] { m_data.insert(m_data.begin() + nIndex, static_cast<size_t>(nCount), value); });
  }
  // Inserts all elements of pNewArray before nStartIndex.
  void InsertAt(int nStartIndex, const CArray* pNewArray) {
    if (nStartIndex < 0) zl_coll::ThrowBadIndex("CArray::InsertAt: negative index");
    if (pNewArray == nullptr || pNewArray->m_data.empty()) return;
    std::vector<TYPE> items = zl_coll::Allocating([&] { return pNewArray->m_data; });
    if (nStartIndex > GetSize()) SetSize(nStartIndex);
    Reserve(m_data.size() + items.size());
    zl_coll::Allocating(
        [&] { m_data.insert(m_data.begin() + nStartIndex, items.begin(), items.end()); });
  }
  // Removes nCount elements starting at nIndex; the range must lie inside.
  void RemoveAt(int nIndex, int nCount = 1) {
    if (nIndex < 0 || nCount < 0 || nIndex > GetSize() || nCount > GetSize() - nIndex) {
      zl_coll::ThrowBadIndex("CArray::RemoveAt: range outside the array");
    }
    m_data.erase(m_data.begin() + nIndex, m_data.begin() + nIndex + nCount);
  }

  // Number of elements the storage holds without growing.
  int GetCapacity() const { return static_cast<int>(m_data.capacity()); }

 private:
  size_t Checked(int nIndex) const {
    if (nIndex < 0 || nIndex >= GetSize()) zl_coll::ThrowBadIndex("CArray: index out of range");
    return static_cast<size_t>(nIndex);
  }
  // Makes room for nNeeded elements, growing by at least half the current
  // capacity so that repeated appends stay linear overall.
  void Reserve(size_t nNeeded) {
    if (nNeeded > static_cast<size_t>(INT_MAX)) throw CMemoryException();
    const size_t cap = m_data.capacity();
    if (nNeeded <= cap) return;
    size_t step = cap / 2;
    if (step < 4) step = 4;
    if (m_nGrowBy > 0 && static_cast<size_t>(m_nGrowBy) > step) step = m_nGrowBy;
    size_t target = cap + step;
    if (target < nNeeded) target = nNeeded;
    if (target > static_cast<size_t>(INT_MAX)) target = static_cast<size_t>(INT_MAX);
    zl_coll::Allocating([&] { m_data.reserve(target); });
  }

  std::vector<TYPE> m_data;
  int m_nGrowBy = -1;
};

// Serialisable arrays write their count and then each element; CObArray
// writes its objects with CArchive::WriteObject (shared objects once).
// Loading appends to what the array holds after emptying it.
class ZL_EXPORT CObArray : public CArray<CObject*, CObject*> {
  DECLARE_SERIAL(CObArray)
 public:
  CObArray() = default;
  void Serialize(CArchive& ar) override;
};

class ZL_EXPORT CPtrArray : public CArray<void*, void*> {
  DECLARE_DYNAMIC(CPtrArray)
 public:
  CPtrArray() = default;
};

class ZL_EXPORT CStringArray : public CArray<CString, const CString&> {
  DECLARE_SERIAL(CStringArray)
 public:
  CStringArray() = default;
  void Serialize(CArchive& ar) override;
};

class ZL_EXPORT CDWordArray : public CArray<DWORD, DWORD> {
  DECLARE_SERIAL(CDWordArray)
 public:
  CDWordArray() = default;
  void Serialize(CArchive& ar) override;
};

class ZL_EXPORT CWordArray : public CArray<WORD, WORD> {
  DECLARE_SERIAL(CWordArray)
 public:
  CWordArray() = default;
  void Serialize(CArchive& ar) override;
};

class ZL_EXPORT CByteArray : public CArray<BYTE, BYTE> {
  DECLARE_SERIAL(CByteArray)
 public:
  CByteArray() = default;
  void Serialize(CArchive& ar) override;
};

#endif  // ZLDBCTRL70_PLATFORM_COLL_ARRAY_H_
