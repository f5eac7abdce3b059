// COleVariant: a tagged value as the storage engine reads and writes it.
//
// Kinds (vt): VT_EMPTY, VT_NULL, VT_I2, VT_I4, VT_R4, VT_R8, VT_DATE,
// VT_BSTR (a string), VT_BOOL (true is -1), VT_UI1 (a byte) and
// VT_UI1|VT_ARRAY (a byte array).  Numeric payloads sit in the public union
// as in the classic class; a string or byte array is owned by the variant and
// read with V_BSTRT()/GetByteArray*.  Copies are deep; a moved-from variant
// is VT_EMPTY.  Allocation failure throws std::bad_alloc.
#ifndef ZLDBCTRL70_PLATFORM_VARIANT_H_
#define ZLDBCTRL70_PLATFORM_VARIANT_H_

#include <cstddef>
#include <vector>

#include "zldbctrl70/export.h"
#include "zldbctrl70/platform/cstring.h"
#include "zldbctrl70/platform/types.h"

typedef uint16_t VARTYPE;
typedef double DATE;
typedef int16_t VARIANT_BOOL;

enum : VARTYPE {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_R4 = 4,
  VT_R8 = 5,
  VT_DATE = 7,
  VT_BOOL = 11,
  VT_BSTR = 14,  // the string kind, numbered as the storage engine numbers it
  VT_UI1 = 17,
  VT_ARRAY = 0x2000,
};
#define VT_BSTRT VT_BSTR
#define VARIANT_TRUE ((VARIANT_BOOL)-1)
#define VARIANT_FALSE ((VARIANT_BOOL)0)

class COleDateTime;
class CLongBinary;

class ZL_EXPORT COleVariant {
 public:
  VARTYPE vt;
  union {
    BYTE bVal;
    int16_t iVal;
    int32_t lVal;
    float fltVal;
    double dblVal;
    DATE date;
    VARIANT_BOOL boolVal;
  };

  COleVariant();  // VT_EMPTY
  COleVariant(const COleVariant& src);
  COleVariant(COleVariant&& src) noexcept;
  // A string variant; a null pointer gives the empty string.
  COleVariant(const char* psz, VARTYPE vtSrc = VT_BSTR);  // NOLINT
  COleVariant(const CString& str);                        // NOLINT
  COleVariant(BYTE nSrc);                                 // NOLINT: VT_UI1
  // VT_I2, or VT_BOOL when vtSrc is VT_BOOL (any non-zero value is true).
  COleVariant(int16_t nSrc, VARTYPE vtSrc = VT_I2);  // NOLINT
  // VT_I4, or VT_BOOL / VT_I2 when asked.  A value is kept as the bit
  // pattern of the narrower kind when it fits that many bits signed or
  // unsigned (a 32-bit mask held in a long keeps its bits); a value that does
  // not fit throws CTypeMismatchException instead of being cut.
  COleVariant(int32_t lSrc, VARTYPE vtSrc = VT_I4);  // NOLINT
  COleVariant(long lSrc, VARTYPE vtSrc = VT_I4);     // NOLINT
  COleVariant(float fltSrc);                         // NOLINT
  COleVariant(double dblSrc);                        // NOLINT
  // VT_DATE holding the date value bit for bit (the status is not kept).
  COleVariant(const COleDateTime& dateSrc);  // NOLINT
  // A byte array holding a copy of the binary's bytes (never more than its
  // block holds; no block gives an empty array).
  COleVariant(const CLongBinary& lbSrc);  // NOLINT
  ~COleVariant();

  COleVariant& operator=(const COleVariant& src);
  COleVariant& operator=(COleVariant&& src) noexcept;
  COleVariant& operator=(const char* psz);
  COleVariant& operator=(const CString& str);
  COleVariant& operator=(int32_t lSrc);
  COleVariant& operator=(double dblSrc);
  COleVariant& operator=(const COleDateTime& dateSrc);

  // Equality: same kind and same value (strings and byte arrays compared
  // byte for byte); two VT_NULL or two VT_EMPTY variants are equal.
  bool operator==(const COleVariant& other) const;
  bool operator!=(const COleVariant& other) const { return !(*this == other); }

  // Back to VT_EMPTY, releasing any string or array.
  void Clear();
  // Sets VT_NULL.
  void SetNull();

  // Converts in place to vtNew (VT_I2, VT_I4, VT_R4, VT_R8, VT_DATE, VT_BOOL,
  // VT_UI1, VT_BSTR, VT_NULL, VT_EMPTY).  A failed or out-of-range
  // conversion throws CTypeMismatchException and leaves the variant
  // unchanged.  The rules:
  // - numbers, dates and booleans convert among each other by value; a
  //   fraction going to an integer kind rounds to nearest, ties to even;
  //   true is -1; a number going to VT_DATE must be a date of the years 100
  //   to 9999;
  // - VT_EMPTY converts to 0 or ""; VT_NULL and byte arrays convert only to
  //   VT_NULL or VT_EMPTY;
  // - to VT_BSTR: integers in decimal, reals as the shortest text that reads
  //   back as the same value ("." as decimal point, whatever the locale),
  //   booleans as "-1" / "0", dates as "YYYY-MM-DD HH:MM:SS";
  // - from VT_BSTR: decimal numbers (surrounding white space allowed, no
  //   hexadecimal, no "inf"/"nan"), "True"/"False" in any case for VT_BOOL,
  //   and for VT_DATE the forms COleDateTime::ParseDateTime accepts.
  void ChangeType(VARTYPE vtNew);

  // String payload of a VT_BSTR variant ("" for any other kind).
  const char* GetStringValue() const;
  int GetStringLength() const;

  // Byte-array payload of a VT_UI1|VT_ARRAY variant (null/0 otherwise).
  // SetByteArray makes this variant a byte array holding a copy of the bytes
  // (none when pData is null).
  void SetByteArray(const void* pData, size_t nSize);
  const BYTE* GetByteArrayData() const;
  size_t GetByteArraySize() const;
  bool IsByteArray() const { return vt == (VT_UI1 | VT_ARRAY); }

 private:
  void CopyFrom(const COleVariant& src);
  void CopyPayload(const COleVariant& src);
  std::vector<char> m_buffer;  // string bytes plus NUL, or array bytes
};

// The string of a string variant, as the classic accessor macro.
#define V_BSTRT(pvar) ((pvar)->GetStringValue())

#endif  // ZLDBCTRL70_PLATFORM_VARIANT_H_
