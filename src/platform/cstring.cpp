#include "zldbctrl70/platform/cstring.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <utility>

#include "platform/textcase.h"

namespace {

const char* Safe(const char* psz) { return psz != nullptr ? psz : ""; }

bool IsTrimSpace(char ch) {
  return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r' || ch == '\v' || ch == '\f';
}

// Length of the UTF-8 sequence that starts with lead byte `b`; stray
// continuation bytes and invalid leads count as single bytes.
size_t SequenceLength(unsigned char b) {
  if (b >= 0xF0 && b <= 0xF7) return 4;
  if (b >= 0xE0) return b <= 0xEF ? 3 : 1;
  if (b >= 0xC0) return 2;
  return 1;
}

}  // namespace

CString::CString() = default;
CString::CString(const char* psz) : m_str(Safe(psz)) {}
CString::CString(const char* pch, int nLength) {
  if (pch != nullptr && nLength > 0) m_str.assign(pch, static_cast<size_t>(nLength));
}
CString::CString(char ch, int nRepeat) {
  if (nRepeat > 0) m_str.assign(static_cast<size_t>(nRepeat), ch);
}
CString::CString(const std::string& str) : m_str(str) {}
CString::CString(const CString& other) = default;
CString::CString(CString&& other) noexcept : m_str(std::move(other.m_str)) {}
CString::~CString() = default;

CString& CString::operator=(const CString& other) = default;
CString& CString::operator=(CString&& other) noexcept {
  m_str = std::move(other.m_str);
  return *this;
}
CString& CString::operator=(const char* psz) {
  // Assigning from our own buffer (s = s.GetString()) is safe: assign copies.
  m_str.assign(Safe(psz));
  return *this;
}
CString& CString::operator=(char ch) {
  m_str.assign(1, ch);
  return *this;
}

int CString::GetLength() const { return static_cast<int>(m_str.size()); }
BOOL CString::IsEmpty() const { return m_str.empty() ? TRUE : FALSE; }
void CString::Empty() { m_str.clear(); }

char CString::GetAt(int nIndex) const {
  if (nIndex < 0 || nIndex >= GetLength()) return '\0';
  return m_str[static_cast<size_t>(nIndex)];
}
void CString::SetAt(int nIndex, char ch) {
  if (nIndex < 0 || nIndex >= GetLength()) return;
  m_str[static_cast<size_t>(nIndex)] = ch;
}
char CString::operator[](int nIndex) const { return GetAt(nIndex); }
CString::operator const char*() const { return m_str.c_str(); }
const char* CString::GetString() const { return m_str.c_str(); }

int CString::Compare(const char* psz) const {
  int r = std::strcmp(m_str.c_str(), Safe(psz));
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}
int CString::CompareNoCase(const char* psz) const {
  return zl::CompareFolded(m_str.c_str(), Safe(psz));
}

CString& CString::operator+=(const CString& s) {
  m_str += s.m_str;
  return *this;
}
CString& CString::operator+=(const char* psz) {
  m_str.append(Safe(psz));
  return *this;
}
CString& CString::operator+=(char ch) {
  m_str.push_back(ch);
  return *this;
}

void CString::Format(const char* pszFormat, ...) {
  va_list args;
  va_start(args, pszFormat);
  FormatV(pszFormat, args);
  va_end(args);
}

void CString::FormatV(const char* pszFormat, va_list args) {
  if (pszFormat == nullptr) {
    m_str.clear();
    return;
  }
  // First pass measures, second pass writes into a buffer of exactly that
  // size; the arguments may point into this string, so build aside.
  va_list measure;
  va_copy(measure, args);
  int needed = std::vsnprintf(nullptr, 0, pszFormat, measure);
  va_end(measure);
  if (needed <= 0) {
    m_str.clear();
    return;
  }
  std::string out(static_cast<size_t>(needed) + 1, '\0');
  std::vsnprintf(&out[0], out.size(), pszFormat, args);
  out.resize(static_cast<size_t>(needed));
  m_str.swap(out);
}

void CString::MakeUpper() { zl::FoldUpper(&m_str); }
void CString::MakeLower() { zl::FoldLower(&m_str); }

void CString::MakeReverse() {
  // Reverses characters, not bytes, so that multi-byte UTF-8 sequences stay
  // intact: reverse every sequence in place, then the whole string.
  size_t i = 0;
  while (i < m_str.size()) {
    size_t n = std::min(SequenceLength(static_cast<unsigned char>(m_str[i])), m_str.size() - i);
    bool whole = true;
    for (size_t k = 1; k < n; ++k) {
      if ((static_cast<unsigned char>(m_str[i + k]) & 0xC0) != 0x80) whole = false;
    }
    if (!whole) n = 1;
    std::reverse(m_str.begin() + static_cast<std::ptrdiff_t>(i),
                 m_str.begin() + static_cast<std::ptrdiff_t>(i + n));
    i += n;
  }
  std::reverse(m_str.begin(), m_str.end());
}

void CString::TrimLeft() {
  size_t n = 0;
  while (n < m_str.size() && IsTrimSpace(m_str[n])) ++n;
  m_str.erase(0, n);
}
void CString::TrimRight() {
  size_t n = m_str.size();
  while (n > 0 && IsTrimSpace(m_str[n - 1])) --n;
  m_str.erase(n);
}
void CString::TrimLeft(const char* pszTargets) {
  size_t n = m_str.find_first_not_of(Safe(pszTargets));
  m_str.erase(0, n == std::string::npos ? m_str.size() : n);
}
void CString::TrimRight(const char* pszTargets) {
  size_t n = m_str.find_last_not_of(Safe(pszTargets));
  m_str.erase(n == std::string::npos ? 0 : n + 1);
}
void CString::Trim() {
  TrimRight();
  TrimLeft();
}

CString CString::Left(int nCount) const {
  if (nCount <= 0) return CString();
  return CString(m_str.substr(0, static_cast<size_t>(nCount)));
}
CString CString::Mid(int nFirst) const { return Mid(nFirst, GetLength()); }
CString CString::Mid(int nFirst, int nCount) const {
  if (nFirst < 0) nFirst = 0;
  if (nCount <= 0 || nFirst >= GetLength()) return CString();
  return CString(m_str.substr(static_cast<size_t>(nFirst), static_cast<size_t>(nCount)));
}
CString CString::Right(int nCount) const {
  if (nCount <= 0) return CString();
  size_t n = std::min(static_cast<size_t>(nCount), m_str.size());
  return CString(m_str.substr(m_str.size() - n));
}

int CString::Find(char ch, int nStart) const {
  if (nStart < 0 || nStart >= GetLength()) return -1;
  size_t pos = m_str.find(ch, static_cast<size_t>(nStart));
  return pos == std::string::npos ? -1 : static_cast<int>(pos);
}
int CString::Find(const char* pszSub, int nStart) const {
  if (nStart < 0 || nStart > GetLength()) return -1;
  size_t pos = m_str.find(Safe(pszSub), static_cast<size_t>(nStart));
  return pos == std::string::npos ? -1 : static_cast<int>(pos);
}
int CString::ReverseFind(char ch) const {
  size_t pos = m_str.rfind(ch);
  return pos == std::string::npos ? -1 : static_cast<int>(pos);
}
int CString::FindOneOf(const char* pszCharSet) const {
  const char* set = Safe(pszCharSet);
  if (*set == '\0') return -1;
  size_t pos = m_str.find_first_of(set);
  return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

int CString::Insert(int nIndex, char ch) {
  size_t at = static_cast<size_t>(std::clamp(nIndex, 0, GetLength()));
  m_str.insert(at, 1, ch);
  return GetLength();
}
int CString::Insert(int nIndex, const char* psz) {
  size_t at = static_cast<size_t>(std::clamp(nIndex, 0, GetLength()));
  // Copy first: psz may point into this string.
  std::string piece(Safe(psz));
  m_str.insert(at, piece);
  return GetLength();
}

int CString::Replace(const char* pszOld, const char* pszNew) {
  std::string from(Safe(pszOld));
  if (from.empty()) return 0;  // nothing to look for; would never advance
  std::string to(Safe(pszNew));
  std::string out;
  int count = 0;
  size_t start = 0;
  // One pass into a new string keeps this linear in the length.
  for (size_t pos = m_str.find(from); pos != std::string::npos; pos = m_str.find(from, start)) {
    out.append(m_str, start, pos - start);
    out += to;
    start = pos + from.size();
    ++count;
  }
  if (count == 0) return 0;
  out.append(m_str, start, std::string::npos);
  m_str.swap(out);
  return count;
}

int CString::Remove(char ch) {
  size_t before = m_str.size();
  m_str.erase(std::remove(m_str.begin(), m_str.end(), ch), m_str.end());
  return static_cast<int>(before - m_str.size());
}

int CString::Delete(int nIndex, int nCount) {
  if (nIndex < 0) nIndex = 0;
  if (nCount > 0 && nIndex < GetLength()) {
    m_str.erase(static_cast<size_t>(nIndex), static_cast<size_t>(nCount));
  }
  return GetLength();
}

char* CString::GetBuffer(int nMinBufLength) {
  if (nMinBufLength > GetLength()) m_str.resize(static_cast<size_t>(nMinBufLength), '\0');
  return &m_str[0];
}
void CString::ReleaseBuffer(int nNewLength) {
  size_t len = nNewLength < 0 ? std::strlen(m_str.c_str()) : static_cast<size_t>(nNewLength);
  if (len < m_str.size()) m_str.resize(len);
}

CString operator+(const CString& a, const CString& b) { return CString(a.str() + b.str()); }
CString operator+(const CString& a, const char* b) {
  CString r(a);
  r += b;
  return r;
}
CString operator+(const char* a, const CString& b) {
  CString r(a);
  r += b;
  return r;
}
CString operator+(const CString& a, char b) {
  CString r(a);
  r += b;
  return r;
}

bool operator==(const CString& a, const CString& b) { return a.str() == b.str(); }
bool operator==(const CString& a, const char* b) { return a.Compare(b) == 0; }
bool operator==(const char* a, const CString& b) { return b.Compare(a) == 0; }
bool operator!=(const CString& a, const CString& b) { return !(a == b); }
bool operator!=(const CString& a, const char* b) { return !(a == b); }
bool operator!=(const char* a, const CString& b) { return !(a == b); }
bool operator<(const CString& a, const CString& b) { return a.str() < b.str(); }

int lstrcmpi(const char* a, const char* b) { return zl::CompareFolded(Safe(a), Safe(b)); }
