// Byte streams: CFile over a POSIX file and CMemFile over a growing memory
// buffer.  Both are what CArchive reads from and writes to.
//
// CFile owns its descriptor and closes it in its destructor.  Failures of
// Read, Write, Seek, SetLength and Flush throw CFileException (m_cause is
// the errno value); Open reports failure by its result and, when given, a
// CFileException filled in place.
//
// Sharing.  Share modes are advisory locks (flock) taken when the file is
// opened and released when it is closed: shareExclusive takes an exclusive
// lock, shareDenyWrite and shareDenyRead a shared and an exclusive lock,
// shareDenyNone and shareCompat none.  An open whose lock conflicts with a
// lock that another open file (in this or another process) holds fails at
// once with EWOULDBLOCK.  So an exclusive open fails while anyone holds the
// file open with a share lock, which the storage engine does for an open
// database.
#ifndef ZLDBCTRL70_PLATFORM_CFILE_H_
#define ZLDBCTRL70_PLATFORM_CFILE_H_

#include <vector>

#include "zldbctrl70/export.h"
#include "zldbctrl70/platform/cstring.h"
#include "zldbctrl70/platform/exceptions.h"
#include "zldbctrl70/platform/object.h"
#include "zldbctrl70/platform/types.h"

class ZL_EXPORT CFile : public CObject {
 public:
  enum OpenFlags : UINT {
    modeRead = 0x0000,
    modeWrite = 0x0001,
    modeReadWrite = 0x0002,
    shareCompat = 0x0000,
    shareExclusive = 0x0010,
    shareDenyWrite = 0x0020,
    shareDenyRead = 0x0030,
    shareDenyNone = 0x0040,
    modeNoInherit = 0x0080,   // always the case here
    modeCreate = 0x1000,      // create, or truncate an existing file...
    modeNoTruncate = 0x2000,  // ...unless this is given too
    typeText = 0x4000,        // no meaning here: files are bytes
    typeBinary = 0x8000,
  };
  enum SeekPosition : UINT { begin = 0, current = 1, end = 2 };

  CFile();
  // Opens at once; throws CFileException on failure.
  CFile(LPCSTR lpszFileName, UINT nOpenFlags);
  ~CFile() override;
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;

  // Opens the file (closing any file open before).  On failure returns FALSE
  // and, when pError is given, stores the cause and file name in it.
  virtual BOOL Open(LPCSTR lpszFileName, UINT nOpenFlags, CFileException* pError = nullptr);
  // Reads up to nCount bytes; fewer only at the end of the file.
  virtual UINT Read(void* lpBuf, UINT nCount);
  // Writes all nCount bytes.
  virtual void Write(const void* lpBuf, UINT nCount);
  // Moves the position; returns the new position.  A position before the
  // start fails.
  virtual ULONGLONG Seek(LONGLONG lOff, UINT nFrom);
  virtual ULONGLONG GetLength() const;
  virtual void SetLength(ULONGLONG dwNewLen);
  virtual ULONGLONG GetPosition() const;
  // Writes the file's data through to the disk.
  virtual void Flush();
  // Closes the file; throws when closing reports an error.  Closing a file
  // that is not open does nothing.
  virtual void Close();
  // Closes without reporting errors.
  virtual void Abort();

  void SeekToBegin() { Seek(0, begin); }
  ULONGLONG SeekToEnd() { return Seek(0, end); }
  // The path given to Open (empty when not open from a path).
  CString GetFilePath() const { return m_strFileName; }
  BOOL IsOpen() const { return m_fd >= 0 ? TRUE : FALSE; }

 protected:
  [[noreturn]] void ThrowErrno(int nErr) const;

 private:
  int m_fd = -1;
  CString m_strFileName;
};

// A file in memory.  Writing past the end grows it (a gap is zero-filled);
// reading past the end returns what is there.
class ZL_EXPORT CMemFile : public CFile {
 public:
  // An empty file; nGrowBytes is accepted for compatibility (growth is
  // geometric).
  explicit CMemFile(UINT nGrowBytes = 1024);
  // A file holding a copy of nBufferSize bytes at pBuffer, positioned at 0.
  CMemFile(const BYTE* pBuffer, UINT nBufferSize);
  ~CMemFile() override;

  // A memory file has no path: Open always fails (EINVAL).
  BOOL Open(LPCSTR lpszFileName, UINT nOpenFlags, CFileException* pError = nullptr) override;
  UINT Read(void* lpBuf, UINT nCount) override;
  void Write(const void* lpBuf, UINT nCount) override;
  ULONGLONG Seek(LONGLONG lOff, UINT nFrom) override;
  ULONGLONG GetLength() const override;
  void SetLength(ULONGLONG dwNewLen) override;
  ULONGLONG GetPosition() const override;
  void Flush() override;
  // Empties the file.
  void Close() override;
  void Abort() override;

  // The file's bytes (GetLength of them); valid until the next write.
  const BYTE* GetData() const { return m_data.data(); }

 private:
  std::vector<BYTE> m_data;
  size_t m_nPosition = 0;
};

#endif  // ZLDBCTRL70_PLATFORM_CFILE_H_
