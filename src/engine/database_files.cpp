#include "engine/database_files.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/descriptor.h"
#include "zldbctrl70/platform/runtime_io.h"

namespace zl::engine {

namespace {

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
  if (!CopyDescriptorBytes(in.Get(), out.Get(), &size)) return false;
  if (::ftruncate(out.Get(), size) != 0 || ::fsync(out.Get()) != 0) return false;
  return out.Close();
}

}  // namespace

bool CopyClosedDatabase(const std::string& source, const std::string& target) {
  if (!CopyFile(source.c_str(), target.c_str(), TRUE)) return false;
  struct stat st {};
  if (::stat((source + "-wal").c_str(), &st) == 0 && st.st_size > 0 &&
      !CopyFile((source + "-wal").c_str(), (target + "-wal").c_str(), TRUE)) {
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
