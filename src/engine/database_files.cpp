#include "engine/database_files.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace zl::engine {

namespace {

// Closes a descriptor on every way out.
class CDescriptor {
 public:
  explicit CDescriptor(int fd) : m_fd(fd) {}
  ~CDescriptor() {
    if (m_fd >= 0) ::close(m_fd);
  }
  CDescriptor(const CDescriptor&) = delete;
  CDescriptor& operator=(const CDescriptor&) = delete;
  int Get() const { return m_fd; }
  bool Close() {
    const int fd = m_fd;
    m_fd = -1;
    return ::close(fd) == 0;
  }

 private:
  int m_fd;
};

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// Copies every byte of in to out from the current positions; out is synced.
bool CopyBytes(int in, int out, off_t* copied) {
  std::vector<char> buffer(1 << 16);
  off_t total = 0;
  for (;;) {
    const ssize_t n = ::read(in, buffer.data(), buffer.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) break;
    if (!WriteAll(out, buffer.data(), static_cast<size_t>(n))) return false;
    total += n;
  }
  if (copied != nullptr) *copied = total;
  return ::fsync(out) == 0;
}

bool CopyNewFile(const std::string& source, const std::string& target) {
  CDescriptor in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
  if (in.Get() < 0) return false;
  CDescriptor out(::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
  if (out.Get() < 0) return false;
  if (!CopyBytes(in.Get(), out.Get(), nullptr) || !out.Close()) {
    const int error = errno;
    ::unlink(target.c_str());
    errno = error;
    return false;
  }
  return true;
}

void RemoveLogFiles(const std::string& path) {
  ::unlink((path + "-wal").c_str());
  ::unlink((path + "-shm").c_str());
}

// Writes the bytes of replacement over target, keeping target's inode.
bool OverwriteInPlace(const std::string& replacement, const std::string& target) {
  CDescriptor in(::open(replacement.c_str(), O_RDONLY | O_CLOEXEC));
  if (in.Get() < 0) return false;
  CDescriptor out(::open(target.c_str(), O_WRONLY | O_CLOEXEC));
  if (out.Get() < 0) return false;
  off_t size = 0;
  if (!CopyBytes(in.Get(), out.Get(), &size)) return false;
  if (::ftruncate(out.Get(), size) != 0 || ::fsync(out.Get()) != 0) return false;
  return out.Close();
}

}  // namespace

bool CopyClosedDatabase(const std::string& source, const std::string& target) {
  if (!CopyNewFile(source, target)) return false;
  struct stat st {};
  if (::stat((source + "-wal").c_str(), &st) == 0 && st.st_size > 0 &&
      !CopyNewFile(source + "-wal", target + "-wal")) {
    const int error = errno;
    ::unlink(target.c_str());
    errno = error;
    return false;
  }
  return true;
}

bool ReplaceClosedDatabase(const std::string& replacement, const std::string& target,
                           bool* inPlace) {
  if (inPlace != nullptr) *inPlace = false;
  struct stat st {};
  if (::stat(target.c_str(), &st) != 0) return false;
  if (::chmod(replacement.c_str(), st.st_mode & 07777) != 0) return false;
  if (::geteuid() == 0) {
    // Best effort: a superuser repairing another user's file gives it back.
    (void)::chown(replacement.c_str(), st.st_uid, st.st_gid);
  }
  // The log goes first: should the rename never happen, the target misses
  // at most the commits its log held, while a log left beside the new file
  // would be applied to it and damage it.
  RemoveLogFiles(target);
  if (::access((target + "-wal").c_str(), F_OK) == 0) {
    errno = EACCES;  // a log that cannot be removed would damage the new file
    return false;
  }
  if (::rename(replacement.c_str(), target.c_str()) == 0) return true;
  // Another file system, or a folder that takes no new names: the file's
  // own bytes can still be written.
  if (errno != EXDEV && errno != EACCES && errno != EPERM) return false;
  if (inPlace != nullptr) *inPlace = true;
  return OverwriteInPlace(replacement, target);
}

}  // namespace zl::engine
