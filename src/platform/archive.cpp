#include "zldbctrl70/platform/archive.h"

#include <climits>
#include <cstring>
#include <new>
#include <string>

namespace {

// Tags of the object format.
constexpr WORD kNullTag = 0;
constexpr WORD kNewClassTag = 0xFFFF;
constexpr WORD kClassTag = 0x8000;
constexpr WORD kBigObjectTag = 0x7FFF;
constexpr DWORD kBigClassTag = 0x80000000u;
constexpr DWORD kMaxMapCount = 0x3FFFFFFEu;
constexpr UINT kNotSerializable = 0xFFFF;
// Longest class name a stored archive may name.
constexpr WORD kMaxClassName = 255;

// Strings are read in pieces no larger than this, so a damaged length
// cannot make one huge allocation before the data runs out.
constexpr size_t kStringChunk = 64 * 1024;

}  // namespace

CArchive::CArchive(CFile* pFile, UINT nMode, int nBufSize)
    : m_pFile(pFile),
      m_nMode(nMode),
      m_nBufSize(nBufSize < 128 ? 128 : static_cast<size_t>(nBufSize)) {
  if (pFile == nullptr) throw CArchiveException(CArchiveException::generic);
  m_buffer.reserve(m_nBufSize);
  if (IsLoading()) m_loadArray.push_back(CLoadEntry{nullptr, nullptr, 0});
}

CArchive::~CArchive() {
  if (m_pFile == nullptr) return;
  if ((m_nMode & bNoFlushOnDelete) != 0) {
    Abort();
    return;
  }
  try {
    Close();
  } catch (...) {
    // A destructor cannot report; Close is the way to see write errors.
    Abort();
  }
}

void CArchive::CheckStoring() {
  if (m_pFile == nullptr) throw CArchiveException(CArchiveException::generic);
  if (IsLoading()) throw CArchiveException(CArchiveException::readOnly);
}

void CArchive::CheckLoading() {
  if (m_pFile == nullptr) throw CArchiveException(CArchiveException::generic);
  if (IsStoring()) throw CArchiveException(CArchiveException::writeOnly);
}

// ---- raw bytes ----

void CArchive::WriteBytes(const void* p, size_t n) {
  CheckStoring();
  if (n == 0) return;
  if (m_buffer.size() + n > m_nBufSize) Flush();
  if (n >= m_nBufSize) {
    // Large blocks bypass the buffer.
    const BYTE* src = static_cast<const BYTE*>(p);
    while (n > 0) {
      const UINT piece = n > 0x40000000u ? 0x40000000u : static_cast<UINT>(n);
      m_pFile->Write(src, piece);
      src += piece;
      n -= piece;
    }
    return;
  }
  const BYTE* src = static_cast<const BYTE*>(p);
  m_buffer.insert(m_buffer.end(), src, src + n);
}

void CArchive::Write(const void* lpBuf, UINT nMax) { WriteBytes(lpBuf, nMax); }

void CArchive::Flush() {
  if (m_pFile == nullptr || IsLoading()) return;
  if (!m_buffer.empty()) {
    // Clear first: a failed write must not be written again by the destructor.
    std::vector<BYTE> pending;
    pending.swap(m_buffer);
    m_buffer.reserve(m_nBufSize);
    m_pFile->Write(pending.data(), static_cast<UINT>(pending.size()));
  }
}

void CArchive::FillBuffer() {
  m_buffer.resize(m_nBufSize);
  const UINT n = m_pFile->Read(m_buffer.data(), static_cast<UINT>(m_nBufSize));
  m_buffer.resize(n);
  m_nBufPos = 0;
}

UINT CArchive::Read(void* lpBuf, UINT nMax) {
  CheckLoading();
  BYTE* dst = static_cast<BYTE*>(lpBuf);
  UINT nDone = 0;
  while (nDone < nMax) {
    if (m_nBufPos < m_buffer.size()) {
      size_t n = m_buffer.size() - m_nBufPos;
      if (n > nMax - nDone) n = nMax - nDone;
      std::memcpy(dst + nDone, m_buffer.data() + m_nBufPos, n);
      m_nBufPos += n;
      nDone += static_cast<UINT>(n);
      continue;
    }
    if (nMax - nDone >= m_nBufSize) {
      // Large reads go straight to the file.
      const UINT n = m_pFile->Read(dst + nDone, nMax - nDone);
      nDone += n;
      break;
    }
    FillBuffer();
    if (m_buffer.empty()) break;
  }
  return nDone;
}

void CArchive::ReadExact(void* p, size_t n) {
  if (Read(p, static_cast<UINT>(n)) != n) throw CArchiveException(CArchiveException::endOfFile);
}

void CArchive::Close() {
  if (m_pFile == nullptr) return;
  if (IsStoring()) {
    Flush();
  } else {
    // Hand the read-ahead back so the file's position follows the archive.
    const size_t nUnread = m_buffer.size() - m_nBufPos;
    m_buffer.clear();
    m_nBufPos = 0;
    if (nUnread > 0) m_pFile->Seek(-static_cast<LONGLONG>(nUnread), CFile::current);
  }
  m_pFile = nullptr;
}

void CArchive::Abort() {
  m_pFile = nullptr;
  m_buffer.clear();
  m_nBufPos = 0;
}

// ---- numbers ----

void CArchive::WriteLE(ULONGLONG value, int nBytes) {
  BYTE bytes[8];
  for (int i = 0; i < nBytes; ++i) bytes[i] = static_cast<BYTE>(value >> (8 * i));
  WriteBytes(bytes, static_cast<size_t>(nBytes));
}

ULONGLONG CArchive::ReadLE(int nBytes) {
  CheckLoading();
  BYTE bytes[8];
  ReadExact(bytes, static_cast<size_t>(nBytes));
  ULONGLONG value = 0;
  for (int i = nBytes - 1; i >= 0; --i) value = (value << 8) | bytes[i];
  return value;
}

CArchive& CArchive::operator<<(BYTE by) {
  WriteLE(by, 1);
  return *this;
}
CArchive& CArchive::operator<<(WORD w) {
  WriteLE(w, 2);
  return *this;
}
CArchive& CArchive::operator<<(short n) {
  WriteLE(static_cast<WORD>(n), 2);
  return *this;
}
CArchive& CArchive::operator<<(char ch) {
  WriteLE(static_cast<BYTE>(ch), 1);
  return *this;
}
CArchive& CArchive::operator<<(bool b) {
  WriteLE(b ? 1 : 0, 1);
  return *this;
}
CArchive& CArchive::operator<<(int i) {
  WriteLE(static_cast<DWORD>(i), 4);
  return *this;
}
CArchive& CArchive::operator<<(DWORD dw) {
  WriteLE(dw, 4);
  return *this;
}
CArchive& CArchive::operator<<(long l) {
  if (l < INT_MIN || l > INT_MAX) throw CArchiveException(CArchiveException::generic);
  WriteLE(static_cast<DWORD>(static_cast<int>(l)), 4);
  return *this;
}
CArchive& CArchive::operator<<(unsigned long ul) {
  if (ul > UINT_MAX) throw CArchiveException(CArchiveException::generic);
  WriteLE(static_cast<DWORD>(ul), 4);
  return *this;
}
CArchive& CArchive::operator<<(long long ll) {
  WriteLE(static_cast<ULONGLONG>(ll), 8);
  return *this;
}
CArchive& CArchive::operator<<(unsigned long long ull) {
  WriteLE(ull, 8);
  return *this;
}
CArchive& CArchive::operator<<(float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, sizeof bits);
  WriteLE(bits, 4);
  return *this;
}
CArchive& CArchive::operator<<(double d) {
  uint64_t bits;
  std::memcpy(&bits, &d, sizeof bits);
  WriteLE(bits, 8);
  return *this;
}

CArchive& CArchive::operator>>(BYTE& by) {
  by = static_cast<BYTE>(ReadLE(1));
  return *this;
}
CArchive& CArchive::operator>>(WORD& w) {
  w = static_cast<WORD>(ReadLE(2));
  return *this;
}
CArchive& CArchive::operator>>(short& n) {
  n = static_cast<short>(static_cast<WORD>(ReadLE(2)));
  return *this;
}
CArchive& CArchive::operator>>(char& ch) {
  ch = static_cast<char>(ReadLE(1));
  return *this;
}
CArchive& CArchive::operator>>(bool& b) {
  b = ReadLE(1) != 0;
  return *this;
}
CArchive& CArchive::operator>>(int& i) {
  i = static_cast<int>(static_cast<DWORD>(ReadLE(4)));
  return *this;
}
CArchive& CArchive::operator>>(DWORD& dw) {
  dw = static_cast<DWORD>(ReadLE(4));
  return *this;
}
CArchive& CArchive::operator>>(long& l) {
  l = static_cast<int>(static_cast<DWORD>(ReadLE(4)));
  return *this;
}
CArchive& CArchive::operator>>(unsigned long& ul) {
  ul = static_cast<DWORD>(ReadLE(4));
  return *this;
}
CArchive& CArchive::operator>>(long long& ll) {
  ll = static_cast<long long>(ReadLE(8));
  return *this;
}
CArchive& CArchive::operator>>(unsigned long long& ull) {
  ull = ReadLE(8);
  return *this;
}
CArchive& CArchive::operator>>(float& f) {
  const uint32_t bits = static_cast<uint32_t>(ReadLE(4));
  std::memcpy(&f, &bits, sizeof f);
  return *this;
}
CArchive& CArchive::operator>>(double& d) {
  const uint64_t bits = ReadLE(8);
  std::memcpy(&d, &bits, sizeof d);
  return *this;
}

// ---- strings ----

CArchive& CArchive::operator<<(const CString& str) {
  const DWORD n = static_cast<DWORD>(str.GetLength());
  if (n < 0xFF) {
    WriteLE(n, 1);
  } else if (n < 0xFFFF) {
    WriteLE(0xFF, 1);
    WriteLE(n, 2);
  } else {
    WriteLE(0xFF, 1);
    WriteLE(0xFFFF, 2);
    WriteLE(n, 4);
  }
  WriteBytes(str.GetString(), n);
  return *this;
}

CArchive& CArchive::operator<<(const char* psz) { return *this << CString(psz); }

CArchive& CArchive::operator>>(CString& str) {
  ULONGLONG nLength = ReadLE(1);
  if (nLength == 0xFF) {
    // 0xFFFE is an ordinary length here: it is how the word form writes
    // 65534 (a reader that took it for a UTF-16 marker would misread it).
    nLength = ReadLE(2);
    if (nLength == 0xFFFF) {
      nLength = ReadLE(4);
      if (nLength == 0xFFFFFFFFu) nLength = ReadLE(8);
    }
  }
  if (nLength > static_cast<ULONGLONG>(INT_MAX)) {
    throw CArchiveException(CArchiveException::generic);
  }
  std::string bytes;
  try {
    size_t nDone = 0;
    while (nDone < nLength) {
      size_t piece = static_cast<size_t>(nLength) - nDone;
      if (piece > kStringChunk) piece = kStringChunk;
      bytes.resize(nDone + piece);
      ReadExact(&bytes[nDone], piece);
      nDone += piece;
    }
  } catch (const std::bad_alloc&) {
    throw CMemoryException();
  }
  str = CString(bytes.data(), static_cast<int>(bytes.size()));
  return *this;
}

// ---- counts ----

void CArchive::WriteCount(DWORD dwCount) {
  if (dwCount < 0xFFFF) {
    WriteLE(dwCount, 2);
  } else {
    WriteLE(0xFFFF, 2);
    WriteLE(dwCount, 4);
  }
}

DWORD CArchive::ReadCount() {
  const WORD wCount = static_cast<WORD>(ReadLE(2));
  if (wCount != 0xFFFF) return wCount;
  return static_cast<DWORD>(ReadLE(4));
}

// ---- objects ----

DWORD CArchive::NextStoreIndex() {
  if (m_nMapCount > kMaxMapCount) throw CArchiveException(CArchiveException::generic);
  return m_nMapCount++;
}

void CArchive::WriteIndexTag(DWORD nIndex, bool bClass) {
  if (nIndex < kBigObjectTag) {
    WriteLE(bClass ? (kClassTag | nIndex) : nIndex, 2);
  } else {
    WriteLE(kBigObjectTag, 2);
    WriteLE(bClass ? (kBigClassTag | nIndex) : nIndex, 4);
  }
}

void CArchive::WriteClass(const CRuntimeClass* pClassRef) {
  if (pClassRef->m_wSchema == kNotSerializable) {
    throw CArchiveException(CArchiveException::badClass);
  }
  auto it = m_storeMap.find(pClassRef);
  if (it != m_storeMap.end()) {
    WriteIndexTag(it->second, true);
    return;
  }
  const size_t nLen = std::strlen(pClassRef->m_lpszClassName);
  if (nLen > kMaxClassName) throw CArchiveException(CArchiveException::badClass);
  WriteLE(kNewClassTag, 2);
  WriteLE(pClassRef->m_wSchema & ~VERSIONABLE_SCHEMA & 0xFFFFu, 2);
  WriteLE(nLen, 2);
  WriteBytes(pClassRef->m_lpszClassName, nLen);
  m_storeMap[pClassRef] = NextStoreIndex();
}

void CArchive::WriteObject(const CObject* pOb) {
  CheckStoring();
  if (pOb == nullptr) {
    WriteLE(kNullTag, 2);
    return;
  }
  auto it = m_storeMap.find(pOb);
  if (it != m_storeMap.end()) {
    WriteIndexTag(it->second, false);
    return;
  }
  WriteClass(pOb->GetRuntimeClass());
  // Numbered before its contents, so objects it refers to may refer back.
  m_storeMap[pOb] = NextStoreIndex();
  const_cast<CObject*>(pOb)->Serialize(*this);
}

const CRuntimeClass* CArchive::LoadNewClass(UINT& rnSchema) {
  const UINT nSchema = static_cast<UINT>(ReadLE(2));
  const size_t nLen = static_cast<size_t>(ReadLE(2));
  if (nLen == 0 || nLen > kMaxClassName) throw CArchiveException(CArchiveException::badClass);
  char name[kMaxClassName + 1];
  ReadExact(name, nLen);
  name[nLen] = '\0';
  const CRuntimeClass* pClassRef = CRuntimeClass::FromName(name);
  if (pClassRef == nullptr || pClassRef->m_wSchema == kNotSerializable) {
    throw CArchiveException(CArchiveException::badClass);
  }
  if ((pClassRef->m_wSchema & ~VERSIONABLE_SCHEMA) != nSchema &&
      (pClassRef->m_wSchema & VERSIONABLE_SCHEMA) == 0) {
    throw CArchiveException(CArchiveException::badSchema);
  }
  if (m_loadArray.size() > kMaxMapCount) throw CArchiveException(CArchiveException::generic);
  m_loadArray.push_back(CLoadEntry{pClassRef, nullptr, nSchema});
  rnSchema = nSchema;
  return pClassRef;
}

const CRuntimeClass* CArchive::ReadClassOrObject(CObject*& rpObject, UINT& rnSchema) {
  rpObject = nullptr;
  const WORD wTag = static_cast<WORD>(ReadLE(2));
  if (wTag == kNewClassTag) return LoadNewClass(rnSchema);
  DWORD obTag;
  if (wTag == kBigObjectTag) {
    obTag = static_cast<DWORD>(ReadLE(4));
  } else {
    obTag = (static_cast<DWORD>(wTag & kClassTag) << 16) | (wTag & ~kClassTag & 0xFFFFu);
  }
  if ((obTag & kBigClassTag) != 0) {
    const DWORD nIndex = obTag & ~kBigClassTag;
    if (nIndex == 0 || nIndex >= m_loadArray.size() || m_loadArray[nIndex].pClass == nullptr) {
      throw CArchiveException(CArchiveException::badIndex);
    }
    rnSchema = m_loadArray[nIndex].nSchema;
    return m_loadArray[nIndex].pClass;
  }
  if (obTag == kNullTag) return nullptr;
  if (obTag >= m_loadArray.size() || m_loadArray[obTag].pObject == nullptr) {
    throw CArchiveException(CArchiveException::badIndex);
  }
  rpObject = m_loadArray[obTag].pObject;
  return nullptr;
}

CObject* CArchive::ReadObject(const CRuntimeClass* pClassRefRequested) {
  CheckLoading();
  CObject* pExisting = nullptr;
  UINT nSchema = 0;
  const CRuntimeClass* pClassRef = ReadClassOrObject(pExisting, nSchema);
  if (pClassRef == nullptr) {
    if (pExisting != nullptr && pClassRefRequested != nullptr &&
        !pExisting->IsKindOf(pClassRefRequested)) {
      throw CArchiveException(CArchiveException::badClass);
    }
    return pExisting;
  }
  if (pClassRefRequested != nullptr && !pClassRef->IsDerivedFrom(pClassRefRequested)) {
    throw CArchiveException(CArchiveException::badClass);
  }
  if (pClassRef->m_pfnCreateObject == nullptr) {
    throw CArchiveException(CArchiveException::badClass);
  }
  CObject* pOb = pClassRef->CreateObject();
  if (pOb == nullptr) throw CMemoryException();
  if (m_loadArray.size() > kMaxMapCount) {
    delete pOb;
    throw CArchiveException(CArchiveException::generic);
  }
  // Numbered before its contents are read, as when it was written.
  const size_t nIndex = m_loadArray.size();
  const bool bOutermost = m_nLoadDepth == 0;
  ++m_nLoadDepth;
  try {
    m_loadArray.push_back(CLoadEntry{nullptr, pOb, 0});
    m_nObjectSchema = nSchema;
    pOb->Serialize(*this);
  } catch (...) {
    --m_nLoadDepth;
    if (nIndex >= m_loadArray.size()) delete pOb;  // never numbered
    // The caller gets none of the objects this read created, nested ones
    // included: collections do not own their elements, so they are freed
    // here, once each, when the outermost read gives up.
    if (bOutermost) DiscardObjectsFrom(nIndex);
    throw;
  }
  --m_nLoadDepth;
  return pOb;
}

void CArchive::DiscardObjectsFrom(size_t nIndex) {
  for (size_t i = nIndex; i < m_loadArray.size(); ++i) {
    delete m_loadArray[i].pObject;
    m_loadArray[i].pObject = nullptr;
  }
}

UINT CArchive::GetObjectSchema() {
  const UINT nSchema = m_nObjectSchema;
  m_nObjectSchema = static_cast<UINT>(-1);
  return nSchema;
}
