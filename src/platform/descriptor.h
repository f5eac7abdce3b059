// A file descriptor owned by an object, and the one loop that copies the
// bytes of one descriptor to another.  Used by the file-copy functions of
// the run-time layer and by the engine's copies of whole database files.
#ifndef ZLDBCTRL70_PLATFORM_DESCRIPTOR_H_
#define ZLDBCTRL70_PLATFORM_DESCRIPTOR_H_

#include <sys/types.h>

namespace zl {

// Closes its descriptor on every way out.
class CDescriptor {
 public:
  explicit CDescriptor(int fd) : m_fd(fd) {}
  ~CDescriptor();
  CDescriptor(const CDescriptor&) = delete;
  CDescriptor& operator=(const CDescriptor&) = delete;
  int Get() const { return m_fd; }
  // Closes now and reports the result (a failed close may mean lost data).
  bool Close();

 private:
  int m_fd;
};

// Copies every byte from in to out, each from its current position, going
// on after interrupted calls.  *copied (when given) receives the count.
// False with errno set when a read or write fails; nothing is synced.
bool CopyDescriptorBytes(int in, int out, off_t* copied = nullptr);

}  // namespace zl

#endif  // ZLDBCTRL70_PLATFORM_DESCRIPTOR_H_
