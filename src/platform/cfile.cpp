#include "zldbctrl70/platform/cfile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

namespace {

int OpenFlagsFor(UINT nOpenFlags) {
  int flags = O_CLOEXEC;
  if ((nOpenFlags & CFile::modeReadWrite) != 0) {
    flags |= O_RDWR;
  } else if ((nOpenFlags & CFile::modeWrite) != 0) {
    flags |= O_WRONLY;
  } else {
    flags |= O_RDONLY;
  }
  if ((nOpenFlags & CFile::modeCreate) != 0) {
    flags |= O_CREAT;
    if ((nOpenFlags & CFile::modeNoTruncate) == 0) flags |= O_TRUNC;
  }
  return flags;
}

// The flock operation for a share mode, or 0 for none.
int LockFor(UINT nOpenFlags) {
  switch (nOpenFlags & 0x0070) {
    case CFile::shareExclusive:
    case CFile::shareDenyRead:
      return LOCK_EX;
    case CFile::shareDenyWrite:
      return LOCK_SH;
    default:
      return 0;
  }
}

}  // namespace

CFile::CFile() = default;

CFile::CFile(LPCSTR lpszFileName, UINT nOpenFlags) {
  CFileException error;
  if (!Open(lpszFileName, nOpenFlags, &error)) throw error;
}

CFile::~CFile() { Abort(); }

BOOL CFile::Open(LPCSTR lpszFileName, UINT nOpenFlags, CFileException* pError) {
  Abort();
  auto fail = [&](int nErr) {
    if (pError != nullptr) {
      pError->m_cause = nErr;
      pError->m_strFileName = lpszFileName;
    }
    errno = nErr;
    return FALSE;
  };
  if (lpszFileName == nullptr || *lpszFileName == '\0') return fail(ENOENT);
  int fd;
  do {
    fd = ::open(lpszFileName, OpenFlagsFor(nOpenFlags), 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return fail(errno);
  // A directory opens read-only under POSIX but is no file to read.
  struct stat st;
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    return fail(EISDIR);
  }
  const int lock = LockFor(nOpenFlags);
  if (lock != 0) {
    int rc;
    do {
      rc = ::flock(fd, lock | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
      const int nErr = errno;
      ::close(fd);
      return fail(nErr);
    }
  }
  m_fd = fd;
  m_strFileName = lpszFileName;
  return TRUE;
}

void CFile::ThrowErrno(int nErr) const { throw CFileException(nErr, m_strFileName); }

UINT CFile::Read(void* lpBuf, UINT nCount) {
  if (m_fd < 0) ThrowErrno(EBADF);
  char* p = static_cast<char*>(lpBuf);
  UINT nDone = 0;
  // read may return less than asked before the end; only 0 means the end.
  while (nDone < nCount) {
    const ssize_t n = ::read(m_fd, p + nDone, nCount - nDone);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowErrno(errno);
    }
    if (n == 0) break;
    nDone += static_cast<UINT>(n);
  }
  return nDone;
}

void CFile::Write(const void* lpBuf, UINT nCount) {
  if (m_fd < 0) ThrowErrno(EBADF);
  const char* p = static_cast<const char*>(lpBuf);
  UINT nDone = 0;
  while (nDone < nCount) {
    const ssize_t n = ::write(m_fd, p + nDone, nCount - nDone);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowErrno(errno);
    }
    nDone += static_cast<UINT>(n);
  }
}

ULONGLONG CFile::Seek(LONGLONG lOff, UINT nFrom) {
  if (m_fd < 0) ThrowErrno(EBADF);
  int whence = SEEK_SET;
  if (nFrom == current) {
    whence = SEEK_CUR;
  } else if (nFrom == end) {
    whence = SEEK_END;
  } else if (nFrom != begin) {
    ThrowErrno(EINVAL);
  }
  const off_t pos = ::lseek(m_fd, static_cast<off_t>(lOff), whence);
  if (pos < 0) ThrowErrno(errno);
  return static_cast<ULONGLONG>(pos);
}

ULONGLONG CFile::GetLength() const {
  if (m_fd < 0) ThrowErrno(EBADF);
  struct stat st;
  if (::fstat(m_fd, &st) != 0) ThrowErrno(errno);
  return static_cast<ULONGLONG>(st.st_size);
}

void CFile::SetLength(ULONGLONG dwNewLen) {
  if (m_fd < 0) ThrowErrno(EBADF);
  if (dwNewLen > static_cast<ULONGLONG>(LLONG_MAX)) ThrowErrno(EINVAL);
  if (::ftruncate(m_fd, static_cast<off_t>(dwNewLen)) != 0) ThrowErrno(errno);
}

ULONGLONG CFile::GetPosition() const {
  if (m_fd < 0) ThrowErrno(EBADF);
  const off_t pos = ::lseek(m_fd, 0, SEEK_CUR);
  if (pos < 0) ThrowErrno(errno);
  return static_cast<ULONGLONG>(pos);
}

void CFile::Flush() {
  if (m_fd < 0) return;
  if (::fsync(m_fd) != 0 && errno != EINVAL) ThrowErrno(errno);
}

void CFile::Close() {
  if (m_fd < 0) return;
  const int fd = m_fd;
  m_fd = -1;
  // The descriptor is gone after close even when it reports an error, so
  // it is never closed twice; closing also drops the share lock.
  if (::close(fd) != 0 && errno != EINTR) ThrowErrno(errno);
}

void CFile::Abort() {
  if (m_fd < 0) return;
  ::close(m_fd);
  m_fd = -1;
}
