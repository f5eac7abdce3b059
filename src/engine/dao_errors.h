// CDaoException and the engine's error numbers.
//
// Every failure of the engine is raised as a CDaoException (out of memory as
// CMemoryException).  An engine error carries its number in m_scode as
// 0x800A0000 + number and in m_pErrorInfo->m_lErrorCode, with a readable
// description; m_nAfxDaoError is then NO_AFX_DAO_ERROR.  A failure of the
// engine's own frame (it could not start, an object is not open) carries one
// of the AFX_DAO_ERROR_* values in m_nAfxDaoError and S_OK in m_scode.
// dao_errors.cpp holds the one table that maps every failure to its number
// and text.
#ifndef ZLDBCTRL70_ENGINE_DAO_ERRORS_H_
#define ZLDBCTRL70_ENGINE_DAO_ERRORS_H_

#include "zldbctrl70/platform/cstring.h"
#include "zldbctrl70/platform/exceptions.h"
#include "zldbctrl70/platform/types.h"

// m_nAfxDaoError values.
enum : int {
  NO_AFX_DAO_ERROR = 0,
  AFX_DAO_ERROR_ENGINE_INITIALIZATION = 2000,
  AFX_DAO_ERROR_DFX_BIND = 2001,
  AFX_DAO_ERROR_OBJECT_NOT_OPEN = 2002,
  // The database file was replaced or removed while open: writing would
  // mix the old file with the log of the new one.
  AFX_DAO_ERROR_FILE_REPLACED = 2003,
};

// Engine error numbers raised by this engine.
enum : long {
  kDaoReservedError = 3000,         // a backend failure with no finer number
  kDaoInvalidArgument = 3001,       // "Invalid argument."
  kDaoTableExists = 3010,           // Create/Append of a table that exists
  kDaoObjectNotFound = 3011,        // a table named in an operation is missing
  kDaoNotAnIndex = 3015,            // SetCurrentIndex/DeleteIndex: no such index
  kDaoNoCurrentIndex = 3019,        // Seek without a current index
  kDaoUpdateWithoutEdit = 3020,     // Update/CancelUpdate outside AddNew/Edit
  kDaoNoCurrentRecord = 3021,       // no current row (also moves past the ends)
  kDaoDuplicateKey = 3022,          // duplicate value in a unique index
  kDaoFileNotFound = 3024,          // Open of a missing file
  kDaoDiskFull = 3026,              // not enough space on disk
  kDaoReadOnly = 3027,              // write through a read-only database
  kDaoBadPassword = 3031,           // connect text password does not match
  kDaoNoTransaction = 3034,         // Commit/Rollback without BeginTrans
  kDaoResourcesExceeded = 3035,     // out of file descriptors or other system resources
  kDaoDiskError = 3043,             // disk or network error
  kDaoInvalidPath = 3044,           // the path names no usable location
  kDaoFileInUse = 3045,             // exclusive open while others have it open
  kDaoSaveLocked = 3046,            // could not save; locked by another user
  kDaoCorrupt = 3049,               // the database file is damaged
  kDaoCannotLockFile = 3050,        // the file cannot be locked
  kDaoCannotOpenFile = 3051,        // opened exclusively / no permission
  kDaoFieldRequiredInIndex = 3058,  // NULL in a required or primary index
  kDaoTooFewParameters = 3061,      // Execute: an unknown name
  kDaoInputTableNotFound = 3078,    // Execute: unknown table
  kDaoInvalidName = 3125,           // a name the engine cannot use
  kDaoInvalidSql = 3129,            // Execute: not an UPDATE statement
  kDaoUpdateSyntax = 3144,          // Execute: malformed UPDATE
  kDaoBadBookmark = 3159,           // bookmark of another database or table
  kDaoFieldTooSmall = 3163,         // text longer than the field's size
  kDaoCannotUpdateField = 3164,     // a counter field written
  kDaoRecordDeleted = 3167,         // bookmark of a deleted row
  kDaoFieldDefinedTwice = 3191,     // CreateField/Append: duplicate field name
  kDaoDatabaseExists = 3204,        // Create over an existing file
  kDaoTableInUse = 3211,            // DeleteTableDef of a table with open recordsets
  kDaoOperationInvalid = 3219,      // an operation not valid in this state
  kDaoInvalidFieldType = 3259,      // a declared column type names no engine type
  kDaoLockedByUser = 3260,          // busy: the write lock was not obtained in time
  kDaoItemNotFound = 3265,          // no field / table definition of that name
  kDaoFieldInIndex = 3280,          // DeleteField of a field an index uses
  kDaoIndexExists = 3284,           // CreateIndex: name exists
  kDaoFieldRequired = 3314,
  kDaoValidationRule =
      3317,  // a value the file's own rules refuse          // NULL in a required field
  kDaoZeroLength = 3315,          // "" where zero length is not allowed
  kDaoNumericOverflow = 3349,     // Byte/Integer/Long out of range
  kDaoUnrecognizedFormat = 3343,  // the file is not a database of this engine
  kDaoOpenedExclusively = 3356,   // open while another holds it exclusively
  kDaoConversionError = 3421,     // value cannot be converted to the field type
  kDaoCriteriaMismatch = 3464,    // Seek key cannot be converted
};

// The engine's error record, as the classic class offers it.
struct CDaoErrorInfo {
  long m_lErrorCode = 0;
  CString m_strSource;
  CString m_strDescription;
  CString m_strHelpFile;
  long m_lHelpContext = 0;
};

class CDaoException : public CException {
 public:
  CDaoException();
  ~CDaoException() override;
  CDaoException(const CDaoException& other);
  CDaoException& operator=(const CDaoException& other);

  SCODE m_scode;                // 0x800A0000 + number, or 0 for a frame failure
  int m_nAfxDaoError;           // NO_AFX_DAO_ERROR or AFX_DAO_ERROR_*
  CDaoErrorInfo* m_pErrorInfo;  // owned; null for a frame failure

  // One error record per exception.
  short GetErrorCount() const { return m_pErrorInfo != nullptr ? 1 : 0; }
  // The engine error number, or 0 for a frame failure.
  long GetErrorNumber() const;
  // "Engine error 3022: The changes you requested ..." or the frame text.
  CString GetErrorMessage() const override;
};

// SCODE of an engine error number.
inline SCODE DaoScode(long lNumber) { return static_cast<SCODE>(0x800A0000u + lNumber); }

namespace zl::engine {

class CSqlFailure;

// What the engine was doing when the backend failed; it decides between
// numbers that the backend does not tell apart (a busy file while opening
// is 3050, while writing 3260).
enum class FailureContext { kOpen, kCreate, kRead, kWrite, kCommit, kSchema };

// Throws the CDaoException (or CMemoryException) for a backend failure.
[[noreturn]] void ThrowFromBackend(const CSqlFailure& failure, FailureContext context,
                                   const char* pszArg = nullptr);
// The engine error number a backend failure maps to (0 for out of memory).
long DaoNumberOf(const CSqlFailure& failure, FailureContext context);

// Throws the engine error lNumber.  The description is taken from the error
// table; a '|' in it is replaced by pszArg (a table, field or file name).
[[noreturn]] void ThrowDaoError(long lNumber, const char* pszArg = nullptr);
// Throws a frame failure (AFX_DAO_ERROR_*).
[[noreturn]] void ThrowAfxDaoError(int nAfxDaoError);
// The description of an engine error number ("" when not in the table).
CString DaoErrorText(long lNumber);

}  // namespace zl::engine

#endif  // ZLDBCTRL70_ENGINE_DAO_ERRORS_H_
