#include <cerrno>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

#include "zldbctrl70/platform/cfile.h"

CMemFile::CMemFile(UINT nGrowBytes) { (void)nGrowBytes; }

CMemFile::CMemFile(const BYTE* pBuffer, UINT nBufferSize) {
  if (pBuffer != nullptr && nBufferSize != 0) m_data.assign(pBuffer, pBuffer + nBufferSize);
}

CMemFile::~CMemFile() = default;

BOOL CMemFile::Open(LPCSTR lpszFileName, UINT /*nOpenFlags*/, CFileException* pError) {
  if (pError != nullptr) {
    pError->m_cause = EINVAL;
    pError->m_strFileName = lpszFileName;
  }
  return FALSE;
}

UINT CMemFile::Read(void* lpBuf, UINT nCount) {
  if (m_nPosition >= m_data.size() || nCount == 0) return 0;
  size_t n = m_data.size() - m_nPosition;
  if (n > nCount) n = nCount;
  std::memcpy(lpBuf, m_data.data() + m_nPosition, n);
  m_nPosition += n;
  return static_cast<UINT>(n);
}

void CMemFile::Write(const void* lpBuf, UINT nCount) {
  if (nCount == 0) return;
  if (m_nPosition > m_data.max_size() - nCount) ThrowErrno(EFBIG);
  const size_t nEnd = m_nPosition + nCount;
  if (nEnd > m_data.size()) {
    try {
      // Geometric growth keeps a long run of small writes linear.
      if (nEnd > m_data.capacity()) {
        const size_t nDouble = 2 * m_data.capacity();
        m_data.reserve(nEnd > nDouble ? nEnd : nDouble);
      }
      m_data.resize(nEnd);  // a gap left by seeking past the end reads as zeros
    } catch (const std::bad_alloc&) {
      throw CMemoryException();
    } catch (const std::length_error&) {
      ThrowErrno(EFBIG);
    }
  }
  std::memcpy(m_data.data() + m_nPosition, lpBuf, nCount);
  m_nPosition = nEnd;
}

ULONGLONG CMemFile::Seek(LONGLONG lOff, UINT nFrom) {
  LONGLONG base = 0;
  if (nFrom == current) {
    base = static_cast<LONGLONG>(m_nPosition);
  } else if (nFrom == end) {
    base = static_cast<LONGLONG>(m_data.size());
  } else if (nFrom != begin) {
    ThrowErrno(EINVAL);
  }
  if ((lOff < 0 && base + lOff < 0) ||
      (lOff > 0 && lOff > std::numeric_limits<LONGLONG>::max() - base)) {
    ThrowErrno(EINVAL);
  }
  m_nPosition = static_cast<size_t>(base + lOff);
  return m_nPosition;
}

ULONGLONG CMemFile::GetLength() const { return m_data.size(); }

void CMemFile::SetLength(ULONGLONG dwNewLen) {
  if (dwNewLen > m_data.max_size()) ThrowErrno(EINVAL);
  try {
    m_data.resize(static_cast<size_t>(dwNewLen));
  } catch (const std::bad_alloc&) {
    throw CMemoryException();
  }
  if (m_nPosition > m_data.size()) m_nPosition = m_data.size();
}

ULONGLONG CMemFile::GetPosition() const { return m_nPosition; }

void CMemFile::Flush() {}

void CMemFile::Close() {
  std::vector<BYTE>().swap(m_data);
  m_nPosition = 0;
}

void CMemFile::Abort() { Close(); }
