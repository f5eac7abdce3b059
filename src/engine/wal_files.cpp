#include "engine/wal_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zl::engine {
namespace {

// The byte of the index on which every SQLite connection that uses it holds
// a read lock while it is open (the "dead man switch" of SQLite's unix VFS).
constexpr off_t kIndexInUseByte = 128;

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

// Whether another process has the index open.  Asking needs only read
// access; a lock test never conflicts with this process's own locks, and the
// caller has none on this file.
bool IndexInUse(const std::string& index) {
  const int fd = ::open(index.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Exists(index);  // cannot tell: assume it is used
  struct flock probe {};
  probe.l_type = F_WRLCK;
  probe.l_whence = SEEK_SET;
  probe.l_start = kIndexInUseByte;
  probe.l_len = 1;
  const bool inUse = ::fcntl(fd, F_GETLK, &probe) != 0 || probe.l_type != F_UNLCK;
  ::close(fd);
  return inUse;
}

bool LogIsEmpty(const std::string& log) {
  struct stat st {};
  return ::stat(log.c_str(), &st) != 0 || st.st_size == 0;
}

}  // namespace

bool WalFilesWritable(const std::string& path) {
  for (const char* suffix : {"-wal", "-shm"}) {
    const std::string file = path + suffix;
    if (Exists(file) && ::access(file.c_str(), W_OK) != 0) return false;
  }
  return true;
}

bool RemoveIdleWalFiles(const std::string& path, CFileLock& lock, bool exclusive) {
  const std::string log = path + "-wal";
  const std::string index = path + "-shm";
  if (!Exists(log) && !Exists(index)) return true;
  // Another user of this engine has the file open while the lock cannot be
  // made exclusive.
  if (!exclusive && !lock.Convert(true)) return false;
  if (!IndexInUse(index) && LogIsEmpty(log)) {
    ::unlink(log.c_str());
    ::unlink(index.c_str());
  }
  const bool held = exclusive || lock.Convert(false);
  return held && !Exists(log) && !Exists(index);
}

}  // namespace zl::engine
