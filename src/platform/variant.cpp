#include "zldbctrl70/platform/variant.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

#include "platform/textcase.h"
#include "zldbctrl70/platform/datetime.h"
#include "zldbctrl70/platform/exceptions.h"
#include "zldbctrl70/platform/globalmem.h"
#include "zldbctrl70/platform/longbinary.h"

namespace {

const VARTYPE kByteArray = VT_UI1 | VT_ARRAY;

// The date values the date class can represent (years 100 to 9999); the
// negative side keeps its fraction, so the bound is exclusive.
constexpr double kMinDate = -657435.0;
constexpr double kMaxDate = 2958466.0;

[[noreturn]] void Mismatch() { throw CTypeMismatchException(); }

// A value on its way between kinds: integers stay exact, everything else is
// carried as a double.
struct CNumber {
  bool isInteger;
  int64_t integer;
  double real;
};

CNumber Integer(int64_t v) { return CNumber{true, v, static_cast<double>(v)}; }
CNumber Real(double v) { return CNumber{false, 0, v}; }

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Parses a decimal number that fills the whole text (surrounding white
// space allowed).  Hexadecimal, "inf" and "nan" are not numbers here.
bool ParseNumber(const char* text, CNumber* out) {
  const char* begin = text;
  const char* end = text + std::strlen(text);
  while (begin < end && IsSpace(*begin)) ++begin;
  while (end > begin && IsSpace(end[-1])) --end;
  if (begin < end && *begin == '+') ++begin;  // from_chars rejects a plus sign
  if (begin == end || *begin == '+') return false;
  for (const char* p = begin; p < end; ++p) {
    char c = *p;
    if (!((c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || c == '+' || c == '-')) {
      return false;
    }
  }
  int64_t i = 0;
  auto ri = std::from_chars(begin, end, i);
  if (ri.ec == std::errc() && ri.ptr == end) {
    *out = Integer(i);
    return true;
  }
  double d = 0;
  auto rd = std::from_chars(begin, end, d, std::chars_format::general);
  if (rd.ec != std::errc() || rd.ptr != end) return false;
  *out = Real(d);
  return true;
}

CNumber NumberOf(const COleVariant& v) {
  switch (v.vt) {
    case VT_EMPTY:
      return Integer(0);
    case VT_I2:
      return Integer(v.iVal);
    case VT_I4:
      return Integer(v.lVal);
    case VT_UI1:
      return Integer(v.bVal);
    case VT_BOOL:
      return Integer(v.boolVal != 0 ? -1 : 0);
    case VT_R4:
      return Real(v.fltVal);
    case VT_R8:
      return Real(v.dblVal);
    case VT_DATE:
      return Real(v.date);
    case VT_BSTR: {
      CNumber n{};
      if (!ParseNumber(v.GetStringValue(), &n)) Mismatch();
      return n;
    }
    default:
      Mismatch();
  }
}

// The integer nearest to n (ties to even, like the classic conversions),
// which must lie in [lo, hi].
int64_t ToInteger(const CNumber& n, int64_t lo, int64_t hi) {
  if (n.isInteger) {
    if (n.integer < lo || n.integer > hi) Mismatch();
    return n.integer;
  }
  if (!std::isfinite(n.real)) Mismatch();
  double r = std::nearbyint(n.real);
  if (r < static_cast<double>(lo) || r > static_cast<double>(hi)) Mismatch();
  return static_cast<int64_t>(r);
}

bool IsTrueText(const char* text) { return lstrcmpi(text, "True") == 0; }
bool IsFalseText(const char* text) { return lstrcmpi(text, "False") == 0; }

// Shortest text that reads back as the same value.
template <typename T>
CString NumberText(T value) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof(buf), value);
  return CString(buf, static_cast<int>(r.ptr - buf));
}

CString TextOf(const COleVariant& v) {
  switch (v.vt) {
    case VT_EMPTY:
      return CString();
    case VT_I2:
      return NumberText(v.iVal);
    case VT_I4:
      return NumberText(v.lVal);
    case VT_UI1:
      return NumberText(static_cast<int>(v.bVal));
    case VT_BOOL:
      return CString(v.boolVal != 0 ? "-1" : "0");
    case VT_R4:
      return NumberText(v.fltVal);
    case VT_R8:
      return NumberText(v.dblVal);
    case VT_DATE: {
      COleDateTime date(v.date);
      if (date.GetStatus() != COleDateTime::valid) Mismatch();
      return date.Format();
    }
    default:
      Mismatch();
  }
}

// Wraps a value that fits 32 bits (signed or unsigned) into int32_t, the
// way a 32-bit long would hold it.
int32_t Wrap32(long value) {
  if (value < std::numeric_limits<int32_t>::min() ||
      value > static_cast<long>(std::numeric_limits<uint32_t>::max())) {
    Mismatch();
  }
  return static_cast<int32_t>(static_cast<uint32_t>(value));
}

int16_t Wrap16(int32_t value) {
  if (value < std::numeric_limits<int16_t>::min() || value > std::numeric_limits<uint16_t>::max()) {
    Mismatch();
  }
  return static_cast<int16_t>(static_cast<uint16_t>(value));
}

}  // namespace

COleVariant::COleVariant() : vt(VT_EMPTY), dblVal(0) {}

COleVariant::COleVariant(const COleVariant& src) : vt(VT_EMPTY), dblVal(0) { CopyFrom(src); }

COleVariant::COleVariant(COleVariant&& src) noexcept
    : vt(src.vt), dblVal(0), m_buffer(std::move(src.m_buffer)) {
  CopyPayload(src);
  src.vt = VT_EMPTY;
  src.dblVal = 0;
  src.m_buffer.clear();
}

COleVariant::COleVariant(const char* psz, VARTYPE /*vtSrc*/) : vt(VT_EMPTY), dblVal(0) {
  *this = psz;
}

COleVariant::COleVariant(const CString& str) : vt(VT_EMPTY), dblVal(0) { *this = str; }

COleVariant::COleVariant(BYTE nSrc) : vt(VT_UI1), dblVal(0) { bVal = nSrc; }

COleVariant::COleVariant(int16_t nSrc, VARTYPE vtSrc) : vt(VT_I2), dblVal(0) {
  if (vtSrc == VT_BOOL) {
    vt = VT_BOOL;
    boolVal = nSrc != 0 ? VARIANT_TRUE : VARIANT_FALSE;
  } else {
    iVal = nSrc;
  }
}

COleVariant::COleVariant(int32_t lSrc, VARTYPE vtSrc) : vt(VT_I4), dblVal(0) {
  if (vtSrc == VT_BOOL) {
    vt = VT_BOOL;
    boolVal = lSrc != 0 ? VARIANT_TRUE : VARIANT_FALSE;
  } else if (vtSrc == VT_I2) {
    vt = VT_I2;
    iVal = Wrap16(lSrc);
  } else {
    lVal = lSrc;
  }
}

COleVariant::COleVariant(long lSrc, VARTYPE vtSrc) : vt(VT_I4), dblVal(0) {
  if (vtSrc == VT_BOOL) {
    // Any non-zero long is true, even one that does not fit 32 bits.
    vt = VT_BOOL;
    boolVal = lSrc != 0 ? VARIANT_TRUE : VARIANT_FALSE;
  } else {
    COleVariant narrow(Wrap32(lSrc), vtSrc);
    vt = narrow.vt;
    CopyPayload(narrow);
  }
}

COleVariant::COleVariant(float fltSrc) : vt(VT_R4), dblVal(0) { fltVal = fltSrc; }

COleVariant::COleVariant(double dblSrc) : vt(VT_R8), dblVal(dblSrc) {}

COleVariant::COleVariant(const COleDateTime& dateSrc) : vt(VT_DATE), dblVal(0) {
  date = dateSrc.m_dt;
}

COleVariant::COleVariant(const CLongBinary& lbSrc) : vt(VT_EMPTY), dblVal(0) {
  // Never read past the block, even when the recorded length claims more.
  size_t size = lbSrc.m_dwDataLength;
  size_t blockSize = GlobalSize(lbSrc.m_hData);
  if (size > blockSize) size = blockSize;
  const void* data = size > 0 ? GlobalLock(lbSrc.m_hData) : nullptr;
  if (data == nullptr) size = 0;
  try {
    SetByteArray(data, size);
  } catch (...) {
    if (data != nullptr) GlobalUnlock(lbSrc.m_hData);
    throw;
  }
  if (data != nullptr) GlobalUnlock(lbSrc.m_hData);
}

COleVariant::~COleVariant() = default;

COleVariant& COleVariant::operator=(const COleVariant& src) {
  if (this != &src) CopyFrom(src);
  return *this;
}

COleVariant& COleVariant::operator=(COleVariant&& src) noexcept {
  if (this != &src) {
    vt = src.vt;
    CopyPayload(src);
    m_buffer = std::move(src.m_buffer);
    src.vt = VT_EMPTY;
    src.dblVal = 0;
    src.m_buffer.clear();
  }
  return *this;
}

COleVariant& COleVariant::operator=(const char* psz) {
  const char* text = psz != nullptr ? psz : "";
  // Build aside first: psz may point into this variant's own buffer.
  std::vector<char> bytes(text, text + std::strlen(text) + 1);
  m_buffer.swap(bytes);
  vt = VT_BSTR;
  dblVal = 0;
  return *this;
}

COleVariant& COleVariant::operator=(const CString& str) {
  std::vector<char> bytes(str.str().begin(), str.str().end());
  bytes.push_back('\0');
  m_buffer.swap(bytes);
  vt = VT_BSTR;
  dblVal = 0;
  return *this;
}

COleVariant& COleVariant::operator=(int32_t lSrc) {
  m_buffer.clear();
  vt = VT_I4;
  dblVal = 0;
  lVal = lSrc;
  return *this;
}

COleVariant& COleVariant::operator=(double dblSrc) {
  m_buffer.clear();
  vt = VT_R8;
  dblVal = dblSrc;
  return *this;
}

COleVariant& COleVariant::operator=(const COleDateTime& dateSrc) {
  m_buffer.clear();
  vt = VT_DATE;
  dblVal = 0;
  date = dateSrc.m_dt;
  return *this;
}

bool COleVariant::operator==(const COleVariant& other) const {
  if (vt != other.vt) return false;
  switch (vt) {
    case VT_EMPTY:
    case VT_NULL:
      return true;
    case VT_I2:
      return iVal == other.iVal;
    case VT_I4:
      return lVal == other.lVal;
    case VT_UI1:
      return bVal == other.bVal;
    case VT_BOOL:
      return boolVal == other.boolVal;
    case VT_R4:
      return fltVal == other.fltVal;
    case VT_R8:
      return dblVal == other.dblVal;
    case VT_DATE:
      return date == other.date;
    case VT_BSTR:
      // Through the accessors, so a string kind set by hand without text
      // equals the empty string.
      return GetStringLength() == other.GetStringLength() &&
             std::memcmp(GetStringValue(), other.GetStringValue(),
                         static_cast<size_t>(GetStringLength())) == 0;
    default:
      // Byte arrays: the bytes decide.
      return m_buffer == other.m_buffer;
  }
}

void COleVariant::Clear() {
  vt = VT_EMPTY;
  dblVal = 0;
  std::vector<char>().swap(m_buffer);
}

void COleVariant::SetNull() {
  Clear();
  vt = VT_NULL;
}

void COleVariant::ChangeType(VARTYPE vtNew) {
  if (vtNew == vt) return;
  // Every conversion builds the result aside and swaps it in at the end, so
  // a throw leaves this variant as it was.
  COleVariant result;
  switch (vtNew) {
    case VT_EMPTY:
      break;
    case VT_NULL:
      result.vt = VT_NULL;
      break;
    case VT_I2:
      result.vt = VT_I2;
      result.iVal = static_cast<int16_t>(ToInteger(NumberOf(*this), -32768, 32767));
      break;
    case VT_I4:
      result.vt = VT_I4;
      result.lVal =
          static_cast<int32_t>(ToInteger(NumberOf(*this), std::numeric_limits<int32_t>::min(),
                                         std::numeric_limits<int32_t>::max()));
      break;
    case VT_UI1:
      result.vt = VT_UI1;
      result.bVal = static_cast<BYTE>(ToInteger(NumberOf(*this), 0, 255));
      break;
    case VT_R4: {
      double d = NumberOf(*this).real;
      if (std::isfinite(d) && std::fabs(d) > std::numeric_limits<float>::max()) Mismatch();
      result.vt = VT_R4;
      result.fltVal = static_cast<float>(d);
      break;
    }
    case VT_R8:
      result.vt = VT_R8;
      result.dblVal = NumberOf(*this).real;
      break;
    case VT_DATE: {
      double d = 0;
      if (vt == VT_BSTR) {
        COleDateTime parsed;
        if (!parsed.ParseDateTime(GetStringValue())) Mismatch();
        d = parsed.m_dt;
      } else {
        d = NumberOf(*this).real;
        if (!(d > kMinDate && d < kMaxDate)) Mismatch();
      }
      result.vt = VT_DATE;
      result.date = d;
      break;
    }
    case VT_BOOL: {
      bool value = false;
      if (vt == VT_BSTR && IsTrueText(GetStringValue())) {
        value = true;
      } else if (vt == VT_BSTR && IsFalseText(GetStringValue())) {
        value = false;
      } else {
        CNumber n = NumberOf(*this);
        value = n.isInteger ? n.integer != 0 : n.real != 0.0;
      }
      result.vt = VT_BOOL;
      result.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
      break;
    }
    case VT_BSTR:
      result = TextOf(*this);
      break;
    default:
      Mismatch();
  }
  *this = std::move(result);
}

const char* COleVariant::GetStringValue() const {
  return vt == VT_BSTR && !m_buffer.empty() ? m_buffer.data() : "";
}

int COleVariant::GetStringLength() const {
  return vt == VT_BSTR && !m_buffer.empty() ? static_cast<int>(m_buffer.size() - 1) : 0;
}

void COleVariant::SetByteArray(const void* pData, size_t nSize) {
  std::vector<char> bytes;
  if (pData != nullptr && nSize > 0) {
    const char* p = static_cast<const char*>(pData);
    bytes.assign(p, p + nSize);
  }
  m_buffer.swap(bytes);
  vt = kByteArray;
  dblVal = 0;
}

const BYTE* COleVariant::GetByteArrayData() const {
  return IsByteArray() && !m_buffer.empty() ? reinterpret_cast<const BYTE*>(m_buffer.data())
                                            : nullptr;
}

size_t COleVariant::GetByteArraySize() const { return IsByteArray() ? m_buffer.size() : 0; }

void COleVariant::CopyFrom(const COleVariant& src) {
  std::vector<char> bytes(src.m_buffer);  // may throw; nothing changed yet
  m_buffer.swap(bytes);
  vt = src.vt;
  CopyPayload(src);
}

void COleVariant::CopyPayload(const COleVariant& src) {
  // Byte copy of the whole union: exact for every member, whichever is set.
  std::memcpy(&dblVal, &src.dblVal, sizeof(dblVal));
}
