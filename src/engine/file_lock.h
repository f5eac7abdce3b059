// The lock that makes exclusive opens exclusive: flock on the database file
// itself, shared for ordinary opens and exclusive for exclusive ones.  flock
// does not touch SQLite's own (POSIX) locks.  The descriptor stays open as
// long as the lock is held; it must be closed only after every SQLite
// connection of the process on that file is closed.
#ifndef ZLDBCTRL70_ENGINE_FILE_LOCK_H_
#define ZLDBCTRL70_ENGINE_FILE_LOCK_H_

#include <cstddef>
#include <cstdint>
#include <string>

namespace zl::engine {

class CFileLock {
 public:
  enum class Result { kLocked, kMissing, kInUse, kHeldExclusively, kNoResources, kError };

  CFileLock() = default;
  ~CFileLock();
  CFileLock(CFileLock&& other) noexcept;
  CFileLock& operator=(CFileLock&& other) noexcept;
  CFileLock(const CFileLock&) = delete;
  CFileLock& operator=(const CFileLock&) = delete;

  // Opens path and locks it without waiting.  kInUse: exclusive asked while
  // others hold it shared; kHeldExclusively: someone holds it exclusively;
  // kNoResources: no file descriptor is left.
  Result Acquire(const std::string& path, bool exclusive);
  void Release();
  bool IsHeld() const { return m_fd >= 0; }
  // Turns the held lock exclusive or back to shared without waiting; false
  // when that is not possible now (others hold it).
  bool Convert(bool exclusive);

  // Reads up to n bytes from the start of the file; the count read.
  size_t ReadHeader(char* buffer, size_t n) const;
  uint64_t Device() const { return m_device; }
  uint64_t Inode() const { return m_inode; }

 private:
  int m_fd = -1;
  uint64_t m_device = 0;
  uint64_t m_inode = 0;
};

}  // namespace zl::engine

#endif  // ZLDBCTRL70_ENGINE_FILE_LOCK_H_
