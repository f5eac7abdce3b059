#include "platform/descriptor.h"

#include <errno.h>
#include <unistd.h>

#include <vector>

namespace zl {

CDescriptor::~CDescriptor() {
  if (m_fd >= 0) ::close(m_fd);
}

bool CDescriptor::Close() {
  const int fd = m_fd;
  m_fd = -1;
  return ::close(fd) == 0;
}

bool CopyDescriptorBytes(int in, int out, off_t* copied) {
  std::vector<char> buffer(64 * 1024);
  off_t total = 0;
  for (;;) {
    const ssize_t n = ::read(in, buffer.data(), buffer.size());
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    ssize_t done = 0;
    while (done < n) {
      const ssize_t w = ::write(out, buffer.data() + done, static_cast<size_t>(n - done));
      if (w < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      done += w;
    }
    total += n;
  }
  if (copied != nullptr) *copied = total;
  return true;
}

}  // namespace zl
