// CArchive: the classic binary serialisation stream over a CFile.
//
// An archive either stores (writes) or loads (reads), fixed when it is made;
// it does not own its file, which must outlive it.  Writes are buffered and
// reach the file on Flush, Close or destruction (unless made with
// bNoFlushOnDelete).  Closing a loading archive puts back the bytes it had
// buffered but not used, so the file's position is right after the last
// value read.
//
// Format (little-endian, as the classic class library wrote it):
//   BYTE 1, WORD and short 2, int/LONG/DWORD/float 4, double, long long and
//   unsigned long long 8 bytes; bool one byte 0/1.  long and unsigned long
//   are 4 bytes, as the classic 32-bit long was (a value out of the 32-bit
//   range cannot be stored and throws CArchiveException generic).  Note that
//   LONGLONG and ULONGLONG are long types on this platform: cast 64-bit
//   values to long long to store all 8 bytes.
//   A string: its byte length n, then its bytes.  n < 255 is one byte; else
//   0xFF and, when n < 0xFFFF, a WORD; else also 0xFFFF and a DWORD (and
//   when loading, a DWORD 0xFFFFFFFF is followed by a 64-bit length).  A
//   WORD 0xFFFE is the length 65534, not a UTF-16 marker: strings are bytes.
//   Objects: WriteObject writes a null pointer as WORD 0.  The first object
//   of a class writes WORD 0xFFFF, the schema as a WORD, the class name's
//   length as a WORD and the name, then the object's Serialize output.  A
//   class or object already written refers back to its index (classes and
//   objects are numbered together, from 1, in the order they are first
//   written): WORD 0x8000|index for a class, WORD index for an object;
//   indexes from 0x7FFF on are written as WORD 0x7FFF and a DWORD (with bit
//   31 set for a class).  An object written twice is read back as one.
//
// Errors throw CArchiveException: reading past the end endOfFile, writing to
// a loading archive readOnly, reading from a storing archive writeOnly, an
// unknown or unexpected class badClass, a reference to nothing badIndex, a
// class whose stored schema differs from its own badSchema (unless its
// schema carries VERSIONABLE_SCHEMA, in which case the stored schema is
// available from GetObjectSchema during Serialize), an object whose class
// is not serialisable badClass.  File errors throw CFileException.  After an
// exception the archive is only fit to be closed or destroyed.  When a
// ReadObject fails, every object it created, those nested in collections
// included, is deleted: objects read through an archive belong to the
// caller of the outermost ReadObject, never to the objects that hold them.
#ifndef ZLDBCTRL70_PLATFORM_ARCHIVE_H_
#define ZLDBCTRL70_PLATFORM_ARCHIVE_H_

#include <unordered_map>
#include <vector>

#include "zldbctrl70/export.h"
#include "zldbctrl70/platform/cfile.h"
#include "zldbctrl70/platform/cstring.h"
#include "zldbctrl70/platform/exceptions.h"
#include "zldbctrl70/platform/object.h"
#include "zldbctrl70/platform/types.h"

// Or-ed into a class's schema: objects of any stored schema load, and
// Serialize asks GetObjectSchema which one it is reading.
#define VERSIONABLE_SCHEMA (0x80000000u)

class ZL_EXPORT CArchive {
 public:
  enum Mode : UINT { store = 0, load = 1, bNoFlushOnDelete = 2 };

  // nMode is store or load, optionally or-ed with bNoFlushOnDelete.
  // nBufSize is the size of the transfer buffer (at least 128 bytes).
  CArchive(CFile* pFile, UINT nMode, int nBufSize = 4096);
  // Flushes a storing archive unless bNoFlushOnDelete; never throws.
  ~CArchive();
  CArchive(const CArchive&) = delete;
  CArchive& operator=(const CArchive&) = delete;

  BOOL IsLoading() const { return (m_nMode & load) != 0 ? TRUE : FALSE; }
  BOOL IsStoring() const { return (m_nMode & load) == 0 ? TRUE : FALSE; }
  // The file, or null after Close or Abort.
  CFile* GetFile() const { return m_pFile; }

  // Raw bytes.  Read returns fewer than nMax only at the end of the data.
  UINT Read(void* lpBuf, UINT nMax);
  void Write(const void* lpBuf, UINT nMax);
  // Writes the buffered bytes to the file (storing) or does nothing (loading).
  void Flush();
  // Flushes (storing) or puts back unread bytes (loading), then detaches the
  // file.
  void Close();
  // Detaches the file without writing anything further; never throws.
  void Abort();

  // Objects; see the format above.  ReadObject returns a new object (the
  // caller owns it) or one read earlier from this archive, checked against
  // pClassRefRequested (any class when null).
  void WriteObject(const CObject* pOb);
  CObject* ReadObject(const CRuntimeClass* pClassRefRequested);
  // The schema of the object being loaded; VERSIONABLE_SCHEMA-less classes
  // see their own.  Reading it resets it to (UINT)-1.
  UINT GetObjectSchema();
  void SetObjectSchema(UINT nSchema) { m_nObjectSchema = nSchema; }

  // Element counts of collections: WORD, or WORD 0xFFFF and a DWORD.
  void WriteCount(DWORD dwCount);
  DWORD ReadCount();

  CArchive& operator<<(BYTE by);
  CArchive& operator<<(WORD w);
  CArchive& operator<<(short n);
  CArchive& operator<<(char ch);
  CArchive& operator<<(bool b);
  CArchive& operator<<(int i);  // LONG and BOOL are int
  CArchive& operator<<(DWORD dw);
  CArchive& operator<<(long l);
  CArchive& operator<<(unsigned long ul);
  CArchive& operator<<(long long ll);
  CArchive& operator<<(unsigned long long ull);
  CArchive& operator<<(float f);
  CArchive& operator<<(double d);
  CArchive& operator<<(const CString& str);
  CArchive& operator<<(const char* psz);  // as a string; null is ""
  CArchive& operator<<(const CObject* pOb) {
    WriteObject(pOb);
    return *this;
  }

  CArchive& operator>>(BYTE& by);
  CArchive& operator>>(WORD& w);
  CArchive& operator>>(short& n);
  CArchive& operator>>(char& ch);
  CArchive& operator>>(bool& b);
  CArchive& operator>>(int& i);
  CArchive& operator>>(DWORD& dw);
  CArchive& operator>>(long& l);
  CArchive& operator>>(unsigned long& ul);
  CArchive& operator>>(long long& ll);
  CArchive& operator>>(unsigned long long& ull);
  CArchive& operator>>(float& f);
  CArchive& operator>>(double& d);
  CArchive& operator>>(CString& str);
  CArchive& operator>>(CObject*& pOb) {
    pOb = ReadObject(nullptr);
    return *this;
  }

 private:
  struct CLoadEntry {
    const CRuntimeClass* pClass;  // set for a class entry
    CObject* pObject;             // set for an object entry
    UINT nSchema;                 // a class entry's stored schema
  };

  void CheckStoring();
  void CheckLoading();
  void WriteBytes(const void* p, size_t n);
  void ReadExact(void* p, size_t n);
  void WriteLE(ULONGLONG value, int nBytes);
  ULONGLONG ReadLE(int nBytes);
  void WriteClass(const CRuntimeClass* pClassRef);
  void WriteIndexTag(DWORD nIndex, bool bClass);
  // Reads a class or object tag: returns the class of a new object to
  // create (and its stored schema), or null with rpObject set to an object
  // read earlier (or null for the null tag).
  const CRuntimeClass* ReadClassOrObject(CObject*& rpObject, UINT& rnSchema);
  const CRuntimeClass* LoadNewClass(UINT& rnSchema);
  DWORD NextStoreIndex();
  // Deletes the objects loaded from index nIndex on (a failed read's).
  void DiscardObjectsFrom(size_t nIndex);
  void FillBuffer();

  CFile* m_pFile;
  UINT m_nMode;
  size_t m_nBufSize;
  std::vector<BYTE> m_buffer;  // storing: pending bytes; loading: read ahead
  size_t m_nBufPos = 0;        // loading: next unread byte in m_buffer
  UINT m_nObjectSchema = static_cast<UINT>(-1);
  DWORD m_nMapCount = 1;  // storing: next class/object index; 0 is the null tag
  std::unordered_map<const void*, DWORD> m_storeMap;  // class or object -> index
  std::vector<CLoadEntry> m_loadArray;                // loading: index -> class or object; [0] null
  int m_nLoadDepth = 0;                               // loading: ReadObject calls under way
};

#endif  // ZLDBCTRL70_PLATFORM_ARCHIVE_H_
