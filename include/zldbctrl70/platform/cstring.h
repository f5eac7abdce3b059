// CString: a byte string holding UTF-8 text.
//
// Lengths and positions count bytes.  A null `const char*` is taken as the
// empty string everywhere.  Case-insensitive comparison and case mapping fold
// ASCII letters and the Latin-1 letters U+00C0..U+00FE (except U+00D7 and
// U+00F7), both as two-byte UTF-8 sequences; other bytes are compared as they
// are.
#ifndef ZLDBCTRL70_PLATFORM_CSTRING_H_
#define ZLDBCTRL70_PLATFORM_CSTRING_H_

#include <cstdarg>
#include <cstddef>
#include <string>

#include "zldbctrl70/export.h"
#include "zldbctrl70/platform/types.h"

class ZL_EXPORT CString {
 public:
  CString();
  CString(const char* psz);  // NOLINT: implicit like the classic class
  CString(const char* pch, int nLength);
  CString(char ch, int nRepeat = 1);
  CString(const std::string& str);  // NOLINT
  CString(const CString& other);
  CString(CString&& other) noexcept;
  ~CString();

  CString& operator=(const CString& other);
  CString& operator=(CString&& other) noexcept;
  CString& operator=(const char* psz);
  CString& operator=(char ch);

  int GetLength() const;
  BOOL IsEmpty() const;
  void Empty();
  // Out-of-range positions read as NUL and are ignored when written.
  char GetAt(int nIndex) const;
  void SetAt(int nIndex, char ch);
  char operator[](int nIndex) const;
  operator const char*() const;  // NOLINT: never null
  const char* GetString() const;
  const std::string& str() const { return m_str; }

  // Comparison: Compare is byte-wise (-1, 0, 1; bytes unsigned); CompareNoCase
  // compares after folding both sides to lower case.
  int Compare(const char* psz) const;
  int CompareNoCase(const char* psz) const;

  CString& operator+=(const CString& s);
  CString& operator+=(const char* psz);
  CString& operator+=(char ch);

  // printf-style formatting into this string, of any length.  A null format
  // gives the empty string.
  void Format(const char* pszFormat, ...) __attribute__((format(printf, 2, 3)));
  void FormatV(const char* pszFormat, va_list args);

  void MakeUpper();
  void MakeLower();
  // Reverses the order of the characters; a multi-byte UTF-8 sequence stays
  // in one piece.
  void MakeReverse();
  // Remove leading / trailing white space (space, tab, CR, LF, VT, FF), or
  // any of the bytes in pszTargets.
  void TrimLeft();
  void TrimRight();
  void TrimLeft(const char* pszTargets);
  void TrimRight(const char* pszTargets);
  void Trim();

  // Substrings; out-of-range counts and positions are clamped.
  CString Left(int nCount) const;
  CString Mid(int nFirst) const;
  CString Mid(int nFirst, int nCount) const;
  CString Right(int nCount) const;

  // Position of the first occurrence at or after nStart, or -1.
  int Find(char ch, int nStart = 0) const;
  int Find(const char* pszSub, int nStart = 0) const;
  int ReverseFind(char ch) const;
  // Position of the first byte that is in pszCharSet, or -1.
  int FindOneOf(const char* pszCharSet) const;

  // Inserts at nIndex (clamped to the length); returns the new length.
  int Insert(int nIndex, char ch);
  int Insert(int nIndex, const char* psz);
  // Replaces every occurrence; returns the number replaced.
  int Replace(const char* pszOld, const char* pszNew);
  int Remove(char ch);
  int Delete(int nIndex, int nCount = 1);

  // Direct buffer access: GetBuffer returns a writable buffer of at least
  // nMinBufLength bytes plus a terminator; ReleaseBuffer(-1) takes the length
  // up to the first NUL.
  char* GetBuffer(int nMinBufLength);
  void ReleaseBuffer(int nNewLength = -1);

 private:
  std::string m_str;
};

ZL_EXPORT CString operator+(const CString& a, const CString& b);
ZL_EXPORT CString operator+(const CString& a, const char* b);
ZL_EXPORT CString operator+(const char* a, const CString& b);
ZL_EXPORT CString operator+(const CString& a, char b);

ZL_EXPORT bool operator==(const CString& a, const CString& b);
ZL_EXPORT bool operator==(const CString& a, const char* b);
ZL_EXPORT bool operator==(const char* a, const CString& b);
ZL_EXPORT bool operator!=(const CString& a, const CString& b);
ZL_EXPORT bool operator!=(const CString& a, const char* b);
ZL_EXPORT bool operator!=(const char* a, const CString& b);
ZL_EXPORT bool operator<(const CString& a, const CString& b);

// Case-insensitive comparison of two C strings with the same folding as
// CString::CompareNoCase; null is the empty string.
ZL_EXPORT int lstrcmpi(const char* a, const char* b);

#endif  // ZLDBCTRL70_PLATFORM_CSTRING_H_
