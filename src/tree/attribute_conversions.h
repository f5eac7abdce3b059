// The value kinds of record attributes: how a caller's value becomes the
// variant stored in a field and how a read variant becomes the caller's
// value.  Each kind is written once and serves every attribute of its kind.
//
// A kind has
//   Out       the getter's reference argument,
//   In        the setter's value argument,
//   ToStored  In -> variant; 0, or 9 when the value cannot be stored in
//             the field's kind (the variant is then unspecified),
//   FromRead  read variant -> Out; returns the getter's code (0, or 10
//             when the variant does not hold a value of the kind).  It is
//             called after a successful read, and also for a NULL field when
//             kEmptiesOnNull is set; otherwise a failed read leaves the
//             caller's value untouched.
// Memory exhaustion throws (CMemoryException or std::bad_alloc).
#ifndef ZLDBCTRL70_TREE_ATTRIBUTE_CONVERSIONS_H_
#define ZLDBCTRL70_TREE_ATTRIBUTE_CONVERSIONS_H_

#include "zldbctrl70/platform/cstring.h"
#include "zldbctrl70/platform/datetime.h"
#include "zldbctrl70/platform/longbinary.h"
#include "zldbctrl70/platform/variant.h"

namespace zl {

// A 32-bit field read as an unsigned number.  The caller's unsigned long
// may be wider than the field: values above 0xFFFFFFFF are refused (9)
// rather than cut; reading gives the field's 32 bits as an unsigned value.
struct CUnsignedValue {
  using Out = unsigned long&;
  using In = unsigned long;
  static constexpr bool kEmptiesOnNull = false;
  static int ToStored(In value, COleVariant& stored);
  static int FromRead(const COleVariant& read, Out value);
};

// A 32-bit field read as a signed number; values outside the 32-bit signed
// range are refused (9).
struct CSignedValue {
  using Out = long&;
  using In = long;
  static constexpr bool kEmptiesOnNull = false;
  static int ToStored(In value, COleVariant& stored);
  static int FromRead(const COleVariant& read, Out value);
};

// A text field.  A null C string is stored as the empty text (a stored
// empty text reads back as "", a never-written field fails with 10).
struct CTextValue {
  using Out = CString&;
  using In = const char*;
  static constexpr bool kEmptiesOnNull = false;
  static int ToStored(In value, COleVariant& stored);
  static int FromRead(const COleVariant& read, Out value);
};

// A date field: the date value is stored bit for bit, its status is not.
struct CDateValue {
  using Out = COleDateTime&;
  using In = const COleDateTime&;
  static constexpr bool kEmptiesOnNull = false;
  static int ToStored(In value, COleVariant& stored);
  static int FromRead(const COleVariant& read, Out value);
};

// A long-binary field.  Reading first frees the caller's block (also for a
// NULL field), then copies the bytes into a new zero-initialised movable
// block; a field that is not a byte array gives 10 with the caller's
// binary left empty.  An empty byte array reads as no block, length 0.
struct CBinaryValue {
  using Out = CLongBinary&;
  using In = const CLongBinary&;
  static constexpr bool kEmptiesOnNull = true;
  static int ToStored(In value, COleVariant& stored);
  static int FromRead(const COleVariant& read, Out value);
};

}  // namespace zl

#endif  // ZLDBCTRL70_TREE_ATTRIBUTE_CONVERSIONS_H_
