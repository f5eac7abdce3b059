// The one rule for a caller's number that reaches a 32-bit column or key.
//
// long and unsigned long are 64 bits on this platform while record IDs,
// resource IDs, links and state words are stored in 32 bits.  Every
// operation converts a caller's number through these routines, so no number
// is ever cut to its low 32 bits (which would name or overwrite another
// record):
//   - an ID to look up that no 32-bit key can hold names no row: 11;
//   - a value to store must fit: a long the signed 32-bit range, an
//     unsigned long the unsigned one (kept bit for bit, so a 32-bit mask
//     reads back as it was written); anything else is refused with 9.
// Callers check before they write anything, so a refused number changes
// nothing.
#ifndef ZLDBCTRL70_FRAME_CALLER_NUMBERS_H_
#define ZLDBCTRL70_FRAME_CALLER_NUMBERS_H_

#include <cstdint>
#include <limits>

#include "zldbctrl70/errors.h"
#include "zldbctrl70/platform/variant.h"

namespace zl {

// 0 with the key in key, or 11 when no row can have that ID.
inline int LookupKey(long id, int32_t& key) {
  if (id < std::numeric_limits<int32_t>::min() || id > std::numeric_limits<int32_t>::max()) {
    return ZLE_NO_RECORD;
  }
  key = static_cast<int32_t>(id);
  return ZLE_OK;
}

// 0 with the 32-bit variant to store in stored, or 9 when value does not fit.
inline int StoredNumber(long value, COleVariant& stored) {
  int32_t narrow = 0;
  if (LookupKey(value, narrow) != ZLE_OK) return ZLE_ENGINE;
  stored = COleVariant(narrow);
  return ZLE_OK;
}

inline int StoredNumber(unsigned long value, COleVariant& stored) {
  if (value > std::numeric_limits<uint32_t>::max()) return ZLE_ENGINE;
  stored = COleVariant(static_cast<int32_t>(static_cast<uint32_t>(value)));
  return ZLE_OK;
}

}  // namespace zl

#endif  // ZLDBCTRL70_FRAME_CALLER_NUMBERS_H_
