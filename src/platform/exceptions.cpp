#include "zldbctrl70/platform/exceptions.h"

#include <cstring>

IMPLEMENT_DYNAMIC(CException, CObject)
IMPLEMENT_DYNAMIC(CMemoryException, CException)
IMPLEMENT_DYNAMIC(CTypeMismatchException, CException)
IMPLEMENT_DYNAMIC(CFileException, CException)
IMPLEMENT_DYNAMIC(CArchiveException, CException)

CException::~CException() = default;

CString CException::GetErrorMessage() const { return CString("An unknown error occurred."); }

CString CMemoryException::GetErrorMessage() const { return CString("Out of memory."); }

CString CTypeMismatchException::GetErrorMessage() const {
  return CString("The value cannot be converted to the requested type.");
}

CFileException::CFileException(int cause, const char* fileName)
    : m_cause(cause), m_strFileName(fileName) {}

CString CFileException::GetErrorMessage() const {
  // strerror_r in its GNU or POSIX flavour is awkward; the fixed table of
  // strerror is fine here since the text is copied at once.
  CString message;
  const char* reason = m_cause != 0 ? std::strerror(m_cause) : "unknown cause";
  if (m_strFileName.IsEmpty()) {
    message.Format("File error: %s.", reason);
  } else {
    message.Format("File error on '%s': %s.", m_strFileName.GetString(), reason);
  }
  return message;
}

CArchiveException::CArchiveException(int cause) : m_cause(cause) {}

CString CArchiveException::GetErrorMessage() const {
  switch (m_cause) {
    case none:
      return CString("No archive error.");
    case readOnly:
      return CString("An archive opened for loading was written to.");
    case endOfFile:
      return CString("Unexpected end of the archive.");
    case writeOnly:
      return CString("An archive opened for storing was read from.");
    case badIndex:
      return CString("The archive holds an invalid object reference.");
    case badClass:
      return CString("The archive holds an object of an unexpected class.");
    case badSchema:
      return CString("The archive holds an object of an unsupported schema.");
    default:
      return CString("The archive could not be read or written.");
  }
}
