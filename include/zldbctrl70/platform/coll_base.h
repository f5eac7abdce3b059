// Helpers shared by the collection classes: the element hash and equality
// hooks of the map template, the failure helpers and the typed-slot proxy
// used by the typed pointer collections.
//
// Misuse that the classic classes left undefined (an index out of range, a
// null position, taking the head of an empty list) throws std::out_of_range
// here; exhausted memory throws CMemoryException.  A collection is unchanged
// after either failure.
#ifndef ZLDBCTRL70_PLATFORM_COLL_BASE_H_
#define ZLDBCTRL70_PLATFORM_COLL_BASE_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <new>
#include <stdexcept>
#include <type_traits>

#include "zldbctrl70/platform/cstring.h"
#include "zldbctrl70/platform/exceptions.h"
#include "zldbctrl70/platform/types.h"

namespace zl_coll {

[[noreturn]] inline void ThrowBadIndex(const char* what) { throw std::out_of_range(what); }

// Runs an allocating step and reports exhaustion as the library's exception.
template <class FN>
inline auto Allocating(FN fn) -> decltype(fn()) {
  try {
    return fn();
  } catch (const std::bad_alloc&) {
    throw CMemoryException();
  }
}

// FNV-1a over the bytes of a NUL-terminated string; null hashes as "".
inline UINT HashBytes(const char* psz) {
  uint32_t h = 2166136261u;
  if (psz != nullptr) {
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(psz); *p != 0; ++p) {
      h ^= *p;
      h *= 16777619u;
    }
  }
  return h;
}

// The smallest table size of the map that is at least n: primes, each about
// twice the one before.  A prime modulus uses every bit of the hash, and
// consecutive integer keys land in consecutive buckets (kind to the cache).
inline size_t TableSize(size_t n) {
  static constexpr uint32_t kPrimes[] = {
      17,       37,       79,        163,       331,       673,        1361,
      2729,     5471,     10949,     21911,     43853,     87719,      175447,
      350899,   701819,   1403641,   2807303,   5614657,   11229331,   22458671,
      44917381, 89834777, 179669557, 359339171, 718678369, 1437356741, 2874713497u};
  for (uint32_t prime : kPrimes) {
    if (prime >= n) return prime;
  }
  return kPrimes[sizeof kPrimes / sizeof kPrimes[0] - 1];
}

}  // namespace zl_coll

// Hash of a map key.  Strings (CString, const char*) hash their bytes, so a
// CString key and a const char* argument of the same text agree; integers,
// enums and pointers hash their value; other types use std::hash.  Callers
// may specialise it for their own key types.
template <class ARG_KEY>
inline UINT HashKey(ARG_KEY key) {
  using K = std::remove_cv_t<std::remove_reference_t<ARG_KEY>>;
  if constexpr (std::is_same_v<K, const char*> || std::is_same_v<K, char*>) {
    return zl_coll::HashBytes(key);
  } else if constexpr (std::is_same_v<K, CString>) {
    return zl_coll::HashBytes(key.GetString());
  } else if constexpr (std::is_integral_v<K> || std::is_enum_v<K>) {
    const uint64_t v = static_cast<uint64_t>(key);
    return static_cast<UINT>(v ^ (v >> 32));
  } else if constexpr (std::is_pointer_v<K>) {
    const uint64_t v = reinterpret_cast<uintptr_t>(key);
    return static_cast<UINT>(v ^ (v >> 32));
  } else {
    return static_cast<UINT>(std::hash<K>()(key));
  }
}

// Equality of a stored key and a look-up argument; specialisable like HashKey.
template <class TYPE, class ARG_TYPE>
inline BOOL CompareElements(const TYPE* pElement1, const ARG_TYPE* pElement2) {
  return *pElement1 == *pElement2;
}

// A reference to one pointer slot of a typed collection: reads give the
// slot's pointer as TYPE, assignments store a TYPE.  It stands where the
// classic classes handed out a TYPE& over storage of another pointer type,
// which would read memory through the wrong type.
template <class SLOT, class TYPE>
class CTypedPtrRef {
 public:
  explicit CTypedPtrRef(SLOT& slot) : m_slot(slot) {}
  CTypedPtrRef(const CTypedPtrRef&) = default;

  operator TYPE() const { return static_cast<TYPE>(m_slot); }  // NOLINT
  TYPE operator->() const { return static_cast<TYPE>(m_slot); }
  std::remove_pointer_t<TYPE>& operator*() const { return *static_cast<TYPE>(m_slot); }
  CTypedPtrRef& operator=(TYPE p) {
    m_slot = p;
    return *this;
  }
  CTypedPtrRef& operator=(const CTypedPtrRef& other) {
    m_slot = static_cast<TYPE>(other);
    return *this;
  }

 private:
  SLOT& m_slot;
};

#endif  // ZLDBCTRL70_PLATFORM_COLL_BASE_H_
