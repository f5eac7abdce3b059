// The exception classes.  Every library exception derives from CException.
// They are thrown by value and caught by reference
// (`catch (const CException& e)`); exported functions catch them all and turn
// them into error codes.  Each class carries run-time class information, so
// `e.IsKindOf(RUNTIME_CLASS(CMemoryException))` works on a caught base.
#ifndef ZLDBCTRL70_PLATFORM_EXCEPTIONS_H_
#define ZLDBCTRL70_PLATFORM_EXCEPTIONS_H_

#include "zldbctrl70/export.h"
#include "zldbctrl70/platform/cstring.h"
#include "zldbctrl70/platform/object.h"

class ZL_EXPORT CException : public CObject {
  DECLARE_DYNAMIC(CException)

 public:
  CException() = default;
  ~CException() override;
  // A readable description of the failure.
  virtual CString GetErrorMessage() const;
};

// Memory or another resource was exhausted.
class ZL_EXPORT CMemoryException : public CException {
  DECLARE_DYNAMIC(CMemoryException)

 public:
  CString GetErrorMessage() const override;
};

// A value could not be converted to the kind asked for.
class ZL_EXPORT CTypeMismatchException : public CException {
  DECLARE_DYNAMIC(CTypeMismatchException)

 public:
  CString GetErrorMessage() const override;
};

// A file operation failed; m_cause is the errno value.
class ZL_EXPORT CFileException : public CException {
  DECLARE_DYNAMIC(CFileException)

 public:
  explicit CFileException(int cause = 0, const char* fileName = nullptr);
  int m_cause;
  CString m_strFileName;
  CString GetErrorMessage() const override;
};

// An archive could not be read or written.
class ZL_EXPORT CArchiveException : public CException {
  DECLARE_DYNAMIC(CArchiveException)

 public:
  enum {
    none = 0,
    generic = 1,
    readOnly = 2,
    endOfFile = 3,
    writeOnly = 4,
    badIndex = 5,
    badClass = 6,
    badSchema = 7
  };
  explicit CArchiveException(int cause = generic);
  int m_cause;
  CString GetErrorMessage() const override;
};

#endif  // ZLDBCTRL70_PLATFORM_EXCEPTIONS_H_
