#include "engine/value_rules.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "engine/dao_errors.h"
#include "engine/dao_types.h"
#include "zldbctrl70/platform/cstring.h"
#include "zldbctrl70/platform/exceptions.h"

namespace zl::engine {

namespace {

bool IsIntegral(short type) {
  return type == dbBoolean || type == dbByte || type == dbInteger || type == dbLong;
}

bool IsReal(short type) {
  return type == dbSingle || type == dbDouble || type == dbCurrency || type == dbDate;
}

// The variant converted to kind vt by the platform's rules, or the engine
// error when that is impossible.
COleVariant Converted(const COleVariant& value, VARTYPE vt, long failNumber) {
  COleVariant copy(value);
  try {
    copy.ChangeType(vt);
  } catch (CTypeMismatchException&) {
    ThrowDaoError(failNumber);
  }
  return copy;
}

std::string StringOf(const COleVariant& v) {
  return std::string(v.GetStringValue(), static_cast<size_t>(v.GetStringLength()));
}

std::string BytesOf(const COleVariant& v) {
  const BYTE* p = v.GetByteArrayData();
  return p != nullptr ? std::string(reinterpret_cast<const char*>(p), v.GetByteArraySize())
                      : std::string();
}

CSqlValue IntegralOf(const COleVariant& value, const CFieldDef& field, long failNumber) {
  int64_t n = 0;
  switch (value.vt) {
    case VT_BOOL:
      n = value.boolVal != 0 ? -1 : 0;
      break;
    case VT_UI1:
      n = value.bVal;
      break;
    case VT_I2:
      n = value.iVal;
      break;
    case VT_I4:
      n = value.lVal;
      break;
    default: {
      if (value.IsByteArray()) ThrowDaoError(failNumber);
      if (field.type == dbBoolean && value.vt == VT_BSTR) {
        COleVariant b = Converted(value, VT_BOOL, failNumber);
        return CSqlValue::Integer(b.boolVal != 0 ? -1 : 0);
      }
      double d = Converted(value, VT_R8, failNumber).dblVal;
      if (!std::isfinite(d)) ThrowDaoError(failNumber);
      // Rounds half to even, as the classic conversions do.
      d = std::nearbyint(d);
      if (std::fabs(d) > 9.0e15) ThrowDaoError(kDaoNumericOverflow);
      n = static_cast<int64_t>(d);
      break;
    }
  }
  if (field.type == dbBoolean) n = n != 0 ? -1 : 0;
  return CSqlValue::Integer(n);
}

CSqlValue RealOf(const COleVariant& value, const CFieldDef& field, long failNumber) {
  if (value.IsByteArray()) ThrowDaoError(failNumber);
  double d = 0;
  if (field.type == dbDate) {
    d = Converted(value, VT_DATE, failNumber).date;
  } else {
    d = Converted(value, VT_R8, failNumber).dblVal;
  }
  if (field.type == dbSingle) {
    if (std::isfinite(d) && std::fabs(d) > std::numeric_limits<float>::max()) {
      ThrowDaoError(kDaoNumericOverflow);
    }
    d = static_cast<double>(static_cast<float>(d));
  } else if (field.type == dbCurrency) {
    d = std::nearbyint(d * 10000.0) / 10000.0;
  }
  return CSqlValue::Real(d);
}

// A stored value as a number, when it is one or text holding one.
bool NumberOfStored(const CSqlValue& v, double& out) {
  switch (v.GetKind()) {
    case CSqlValue::kInteger:
      out = static_cast<double>(v.AsInteger());
      return true;
    case CSqlValue::kReal:
      out = v.AsReal();
      return true;
    case CSqlValue::kText: {
      const char* begin = v.AsBytes().c_str();
      char* end = nullptr;
      out = std::strtod(begin, &end);
      return end != begin && *end == '\0';
    }
    default:
      return false;
  }
}

COleVariant TextVariant(const std::string& bytes) {
  return COleVariant(CString(bytes.data(), static_cast<int>(bytes.size())));
}

}  // namespace

namespace {

// The length of the well-formed UTF-8 sequence at text[i] (1 to 4), or 0
// when the bytes there do not form one: a stray continuation byte, a lead
// byte without its continuations, an overlong form, a surrogate or a code
// point beyond U+10FFFF.
size_t SequenceAt(const std::string& text, size_t i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[i + k]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (i + length > text.size() || byte(1) < low || byte(1) > high) return 0;
  for (size_t k = 2; k < length; ++k) {
    if ((byte(k) & 0xC0) != 0x80) return 0;
  }
  return length;
}

}  // namespace

size_t Utf8Length(const std::string& text) {
  size_t n = 0;
  for (size_t i = 0; i < text.size(); ++n) {
    const size_t length = SequenceAt(text, i);
    i += length == 0 ? 1 : length;
  }
  return n;
}

CSqlValue ToStored(const COleVariant& value, const CFieldDef& field, long failNumber) {
  if (value.vt == VT_EMPTY || value.vt == VT_NULL) return CSqlValue::Null();
  if (IsIntegral(field.type)) return IntegralOf(value, field, failNumber);
  if (IsReal(field.type)) return RealOf(value, field, failNumber);
  if (field.type == dbLongBinary) {
    if (value.IsByteArray()) return CSqlValue::Blob(BytesOf(value));
    if (value.vt == VT_BSTR) return CSqlValue::Blob(StringOf(value));
    ThrowDaoError(failNumber);
  }
  // Text and memo.
  if (value.vt == VT_BSTR) return CSqlValue::Text(StringOf(value));
  if (value.IsByteArray()) return CSqlValue::Text(BytesOf(value));
  return CSqlValue::Text(StringOf(Converted(value, VT_BSTR, failNumber)));
}

void CheckRules(const CSqlValue& value, const CFieldDef& field) {
  const char* name = field.name.c_str();
  if (value.IsNull()) {
    if (field.required) ThrowDaoError(kDaoFieldRequired, name);
    return;
  }
  switch (field.type) {
    case dbByte:
      if (value.AsInteger() < 0 || value.AsInteger() > 255) ThrowDaoError(kDaoNumericOverflow);
      break;
    case dbInteger:
      if (value.AsInteger() < -32768 || value.AsInteger() > 32767) {
        ThrowDaoError(kDaoNumericOverflow);
      }
      break;
    case dbLong:
      if (value.AsInteger() < std::numeric_limits<int32_t>::min() ||
          value.AsInteger() > std::numeric_limits<int32_t>::max()) {
        ThrowDaoError(kDaoNumericOverflow);
      }
      break;
    case dbText:
    case dbMemo:
      if (value.AsBytes().empty()) {
        if (!field.allowZeroLength) ThrowDaoError(kDaoZeroLength, name);
      } else if (field.type == dbText) {
        long size = field.size > 0 ? field.size : 255;
        if (Utf8Length(value.AsBytes()) > static_cast<size_t>(size)) {
          ThrowDaoError(kDaoFieldTooSmall);
        }
      }
      break;
    default:
      break;
  }
}

COleVariant ToVariant(const CSqlValue& value, const CFieldDef& field) {
  COleVariant v;
  if (value.IsNull()) {
    v.SetNull();
    return v;
  }
  if (field.type == dbLongBinary) {
    v.SetByteArray(value.AsBytes().data(), value.AsBytes().size());
    if (value.GetKind() == CSqlValue::kInteger || value.GetKind() == CSqlValue::kReal) {
      double d = 0;
      NumberOfStored(value, d);
      return COleVariant(d);
    }
    return v;
  }
  if (field.IsText()) {
    if (value.GetKind() == CSqlValue::kText || value.GetKind() == CSqlValue::kBlob) {
      return TextVariant(value.AsBytes());
    }
    COleVariant n = value.GetKind() == CSqlValue::kInteger
                        ? COleVariant(static_cast<double>(value.AsInteger()))
                        : COleVariant(value.AsReal());
    n.ChangeType(VT_BSTR);
    return n;
  }
  double d = 0;
  if (!NumberOfStored(value, d)) {
    // Not a number at all: hand it out as it is stored.
    if (value.GetKind() == CSqlValue::kBlob) {
      v.SetByteArray(value.AsBytes().data(), value.AsBytes().size());
      return v;
    }
    return TextVariant(value.AsBytes());
  }
  int64_t n = value.GetKind() == CSqlValue::kInteger ? value.AsInteger()
                                                     : static_cast<int64_t>(std::nearbyint(d));
  switch (field.type) {
    case dbBoolean:
      v.vt = VT_BOOL;
      v.boolVal = n != 0 ? VARIANT_TRUE : VARIANT_FALSE;
      break;
    case dbByte:
      v.vt = VT_UI1;
      v.bVal = static_cast<BYTE>(n);
      break;
    case dbInteger:
      v.vt = VT_I2;
      v.iVal = static_cast<int16_t>(n);
      break;
    case dbLong:
      v.vt = VT_I4;
      v.lVal = static_cast<int32_t>(n);
      break;
    case dbSingle:
      v.vt = VT_R4;
      v.fltVal = static_cast<float>(d);
      break;
    case dbDate:
      v.vt = VT_DATE;
      v.date = d;
      break;
    default:
      v.vt = VT_R8;
      v.dblVal = d;
      break;
  }
  return v;
}

}  // namespace zl::engine
