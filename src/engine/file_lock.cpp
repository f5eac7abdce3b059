#include "engine/file_lock.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace zl::engine {

CFileLock::~CFileLock() { Release(); }

CFileLock::CFileLock(CFileLock&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_device(other.m_device), m_inode(other.m_inode) {}

CFileLock& CFileLock::operator=(CFileLock&& other) noexcept {
  if (this != &other) {
    Release();
    m_fd = std::exchange(other.m_fd, -1);
    m_device = other.m_device;
    m_inode = other.m_inode;
  }
  return *this;
}

CFileLock::Result CFileLock::Acquire(const std::string& path, bool exclusive) {
  Release();
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == EMFILE || errno == ENFILE) return Result::kNoResources;
    return errno == ENOENT ? Result::kMissing : Result::kError;
  }
  if (::flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
    int err = errno;
    Result result = Result::kError;
    if (err == EWOULDBLOCK) {
      result = Result::kHeldExclusively;
      // An exclusive request also fails on shared holders; a shared probe
      // tells the two apart.
      if (exclusive && ::flock(fd, LOCK_SH | LOCK_NB) == 0) result = Result::kInUse;
    }
    ::close(fd);
    return result;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    ::close(fd);
    return Result::kError;
  }
  m_fd = fd;
  m_device = static_cast<uint64_t>(st.st_dev);
  m_inode = static_cast<uint64_t>(st.st_ino);
  return Result::kLocked;
}

void CFileLock::Release() {
  if (m_fd >= 0) {
    ::close(m_fd);  // closing the descriptor drops the flock
    m_fd = -1;
  }
}

bool CFileLock::Convert(bool exclusive) {
  return m_fd >= 0 && ::flock(m_fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) == 0;
}

size_t CFileLock::ReadHeader(char* buffer, size_t n) const {
  if (m_fd < 0) return 0;
  ssize_t got = ::pread(m_fd, buffer, n, 0);
  return got > 0 ? static_cast<size_t>(got) : 0;
}

}  // namespace zl::engine
