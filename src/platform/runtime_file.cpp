// File functions: _access, CopyFile, DeleteFile, GetTempPath, GetTempFileName.
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/descriptor.h"
#include "zldbctrl70/platform/runtime_io.h"

namespace {

// Removes a temporary file unless told it has been moved into place.
class CTempFileGuard {
 public:
  explicit CTempFileGuard(std::string path) : m_path(std::move(path)) {}
  ~CTempFileGuard() {
    if (!m_path.empty()) {
      const int saved = errno;  // keep the cause of the failure for the caller
      ::unlink(m_path.c_str());
      errno = saved;
    }
  }
  CTempFileGuard(const CTempFileGuard&) = delete;
  CTempFileGuard& operator=(const CTempFileGuard&) = delete;
  void Release() { m_path.clear(); }

 private:
  std::string m_path;
};

// Moves tmp onto dst without replacing an existing dst.
bool MoveNoReplace(const char* tmp, const char* dst) {
#ifdef RENAME_NOREPLACE
  if (::renameat2(AT_FDCWD, tmp, AT_FDCWD, dst, RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
#endif
  // File systems without that rename: a hard link fails just as atomically
  // when dst exists.
  if (::link(tmp, dst) != 0) return false;
  ::unlink(tmp);
  return true;
}

}  // namespace

int _access(const char* path, int mode) {
  if (path == nullptr || (mode & ~6) != 0) {
    errno = EINVAL;
    return -1;
  }
  int amode = F_OK;
  if ((mode & 2) != 0) amode |= W_OK;
  if ((mode & 4) != 0) amode |= R_OK;
  if (::access(path, amode) != 0) return -1;
  if ((mode & 2) != 0) {
    // The superuser passes access(W_OK) on any file; a file without write
    // bits is still meant to be read-only.
    struct stat st;
    if (::stat(path, &st) == 0 && !S_ISDIR(st.st_mode) &&
        (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
      errno = EACCES;
      return -1;
    }
  }
  return 0;
}

BOOL CopyFile(const char* lpExistingFileName, const char* lpNewFileName, BOOL bFailIfExists) {
  if (lpExistingFileName == nullptr || lpNewFileName == nullptr || *lpExistingFileName == '\0' ||
      *lpNewFileName == '\0') {
    errno = EINVAL;
    return FALSE;
  }
  try {
    zl::CDescriptor in(::open(lpExistingFileName, O_RDONLY | O_CLOEXEC));
    if (in.Get() < 0) return FALSE;
    struct stat st;
    if (::fstat(in.Get(), &st) != 0) return FALSE;
    if (!S_ISREG(st.st_mode)) {
      errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
      return FALSE;
    }
    struct stat existing;
    if (::lstat(lpNewFileName, &existing) == 0) {
      if (bFailIfExists) {
        errno = EEXIST;
        return FALSE;
      }
      // A read-only target is not replaced, as the original platform refused
      // to overwrite a file with the read-only attribute.
      if (_access(lpNewFileName, 2) != 0) {
        errno = EACCES;
        return FALSE;
      }
    }

    // Write a temporary file beside the target and rename it into place, so
    // a failure half-way never leaves a damaged target.
    const std::string target(lpNewFileName);
    const size_t slash = target.rfind('/');
    std::string temp = slash == std::string::npos ? std::string(".") : target.substr(0, slash);
    if (temp.empty()) temp = "/";
    // mkostemp replaces the six trailing pattern letters with a unique name.
    temp += "/.zlcopy-" + std::string(6, 'X');
    zl::CDescriptor out(::mkostemp(&temp[0], O_CLOEXEC));
    if (out.Get() < 0) return FALSE;
    CTempFileGuard tempGuard(temp);
    if (!zl::CopyDescriptorBytes(in.Get(), out.Get())) return FALSE;
    if (::fchmod(out.Get(), st.st_mode & 07777) != 0) return FALSE;
    if (::fsync(out.Get()) != 0) return FALSE;
    if (!out.Close()) return FALSE;
    if (bFailIfExists) {
      if (!MoveNoReplace(temp.c_str(), lpNewFileName)) return FALSE;
    } else if (::rename(temp.c_str(), lpNewFileName) != 0) {
      return FALSE;
    }
    tempGuard.Release();
    return TRUE;
  } catch (const std::bad_alloc&) {
    errno = ENOMEM;
    return FALSE;
  }
}

BOOL DeleteFile(const char* lpFileName) {
  if (lpFileName == nullptr) {
    errno = EINVAL;
    return FALSE;
  }
  return ::unlink(lpFileName) == 0 ? TRUE : FALSE;
}

DWORD GetTempPath(DWORD nBufferLength, char* lpBuffer) {
  const char* env = std::getenv("TMPDIR");
  std::string dir = (env != nullptr && *env != '\0') ? env : "/tmp";
  if (dir.back() != '/') dir += '/';
  const DWORD nLength = static_cast<DWORD>(dir.size());
  if (lpBuffer == nullptr || nLength + 1 > nBufferLength) return nLength + 1;
  std::memcpy(lpBuffer, dir.c_str(), dir.size() + 1);
  return nLength;
}

UINT GetTempFileName(const char* lpPathName, const char* lpPrefixString, UINT uUnique,
                     char* lpTempFileName) {
  if (lpPathName == nullptr || lpTempFileName == nullptr) {
    errno = EINVAL;
    return 0;
  }
  try {
    std::string base = *lpPathName != '\0' ? lpPathName : ".";
    if (base.back() != '/') base += '/';
    if (lpPrefixString != nullptr) base.append(lpPrefixString, strnlen(lpPrefixString, 3));

    // Forms the name for a number; false when it does not fit MAX_PATH.
    auto form = [&](UINT nNumber, std::string& name) {
      char hex[16];
      std::snprintf(hex, sizeof hex, "%X", nNumber);
      name = base + hex + ".tmp";
      if (name.size() >= MAX_PATH) {
        errno = ENAMETOOLONG;
        return false;
      }
      return true;
    };
    std::string name;
    if (uUnique != 0) {
      if (!form(uUnique & 0xFFFFu, name)) return 0;
      std::memcpy(lpTempFileName, name.c_str(), name.size() + 1);
      return uUnique;
    }

    // Start at a number that differs between processes and calls, then take
    // the first free one; O_EXCL makes taking it atomic.
    static std::atomic<unsigned> s_calls{0};
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    uint64_t seed = static_cast<uint64_t>(now) ^ (static_cast<uint64_t>(::getpid()) << 20) ^
                    (static_cast<uint64_t>(s_calls.fetch_add(1)) * 0x9E3779B97F4A7C15ull);
    seed ^= seed >> 29;
    const UINT nStart = static_cast<UINT>(seed % 0xFFFFu);  // 0..0xFFFE
    for (UINT i = 0; i < 0xFFFFu; ++i) {
      const UINT nNumber = (nStart + i) % 0xFFFFu + 1;  // 1..0xFFFF, never 0
      if (!form(nNumber, name)) return 0;
      const int fd = ::open(name.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
      if (fd >= 0) {
        ::close(fd);
        std::memcpy(lpTempFileName, name.c_str(), name.size() + 1);
        return nNumber;
      }
      if (errno != EEXIST) return 0;
    }
    errno = EEXIST;
    return 0;
  } catch (const std::bad_alloc&) {
    errno = ENOMEM;
    return 0;
  }
}
