#include "tree/attribute_conversions.h"

#include <cstdint>
#include <limits>

#include "frame/caller_numbers.h"
#include "zldbctrl70/errors.h"

namespace zl {
namespace {

// The engine hands a 32-bit field back as a 32-bit variant; anything else
// (a file written by another tool) is converted, and a value that is no
// number raises the type-mismatch exception.
int32_t Int32Of(const COleVariant& read) {
  if (read.vt == VT_I4) return read.lVal;
  COleVariant converted = read;
  converted.ChangeType(VT_I4);
  return converted.lVal;
}

}  // namespace

int CUnsignedValue::ToStored(In value, COleVariant& stored) { return StoredNumber(value, stored); }

int CUnsignedValue::FromRead(const COleVariant& read, Out value) {
  value = static_cast<uint32_t>(Int32Of(read));
  return ZLE_OK;
}

int CSignedValue::ToStored(In value, COleVariant& stored) { return StoredNumber(value, stored); }

int CSignedValue::FromRead(const COleVariant& read, Out value) {
  value = Int32Of(read);
  return ZLE_OK;
}

int CTextValue::ToStored(In value, COleVariant& stored) {
  stored = COleVariant(value);  // a null pointer gives the empty string
  return ZLE_OK;
}

int CTextValue::FromRead(const COleVariant& read, Out value) {
  if (read.vt == VT_BSTR) {
    // Keep every byte, even past an embedded zero.
    value = CString(V_BSTRT(&read), read.GetStringLength());
    return ZLE_OK;
  }
  COleVariant converted = read;
  converted.ChangeType(VT_BSTR);
  value = CString(V_BSTRT(&converted), converted.GetStringLength());
  return ZLE_OK;
}

int CDateValue::ToStored(In value, COleVariant& stored) {
  stored = COleVariant(value);
  return ZLE_OK;
}

int CDateValue::FromRead(const COleVariant& read, Out value) {
  value = read;
  return ZLE_OK;
}

int CBinaryValue::ToStored(In value, COleVariant& stored) {
  stored = COleVariant(value);
  return ZLE_OK;
}

int CBinaryValue::FromRead(const COleVariant& read, Out value) {
  // The old block goes first, whatever the field holds.
  value.Release();
  if (!read.IsByteArray()) return ZLE_NULL_VALUE;
  value.Assign(read.GetByteArrayData(), read.GetByteArraySize());
  return ZLE_OK;
}

}  // namespace zl
