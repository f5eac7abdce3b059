#include "engine/dao_errors.h"

#include <cstring>
#include <string>

#include "engine/sqlite_seam.h"

namespace {

struct ErrorText {
  long number;
  const char* text;
};

// Every engine error number the engine raises, with its description.  A '|'
// stands for the name of the object concerned.
const ErrorText kErrorTable[] = {
    {kDaoReservedError, "Reserved error (|); there is no message for this error."},
    {kDaoInvalidArgument, "Invalid argument."},
    {kDaoTableExists, "Table '|' already exists."},
    {kDaoObjectNotFound, "The database engine could not find the object '|'."},
    {kDaoNotAnIndex, "'|' isn't an index in this table."},
    {kDaoNoCurrentIndex, "Operation invalid without a current index."},
    {kDaoUpdateWithoutEdit, "Update or CancelUpdate without AddNew or Edit."},
    {kDaoNoCurrentRecord, "No current record."},
    {kDaoDuplicateKey,
     "The changes you requested to the table were not successful because they would "
     "create duplicate values in the index, primary key, or relationship."},
    {kDaoFileNotFound, "Could not find file '|'."},
    {kDaoDiskFull, "Not enough space on disk."},
    {kDaoReadOnly, "Cannot update. Database or object is read-only."},
    {kDaoBadPassword, "Not a valid password."},
    {kDaoNoTransaction,
     "You tried to commit or rollback a transaction without first beginning a "
     "transaction."},
    {kDaoResourcesExceeded, "System resource exceeded."},
    {kDaoDiskError, "Disk or network error."},
    {kDaoInvalidPath, "'|' isn't a valid path."},
    {kDaoFileInUse, "Could not use '|'; file already in use."},
    {kDaoSaveLocked, "Could not save; currently locked by another user."},
    {kDaoCorrupt,
     "Cannot open database '|'. It may not be a database that your application "
     "recognizes, or the file may be corrupt."},
    {kDaoCannotLockFile, "Could not lock file."},
    {kDaoCannotOpenFile,
     "The database engine cannot open the file '|'. It is already opened "
     "exclusively by another user, or you need permission to view its data."},
    {kDaoFieldRequiredInIndex, "Index or primary key cannot contain a Null value."},
    {kDaoTooFewParameters, "Too few parameters. Expected 1."},
    {kDaoInputTableNotFound, "The database engine cannot find the input table or query '|'."},
    {kDaoInvalidName, "'|' isn't a valid name."},
    {kDaoInvalidFieldType, "Invalid field data type: |."},
    {kDaoInvalidSql,
     "Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', "
     "'SELECT', or 'UPDATE'."},
    {kDaoUpdateSyntax, "Syntax error in UPDATE statement."},
    {kDaoBadBookmark, "Not a valid bookmark."},
    {kDaoFieldTooSmall,
     "The field is too small to accept the amount of data you attempted to "
     "add."},
    {kDaoCannotUpdateField, "Field '|' cannot be updated."},
    {kDaoRecordDeleted, "Record is deleted."},
    {kDaoFieldDefinedTwice, "Cannot define field '|' more than once."},
    {kDaoDatabaseExists, "Database '|' already exists."},
    {kDaoTableInUse,
     "The database engine could not lock table '|' because it is already in use "
     "by another person or process."},
    {kDaoOperationInvalid, "Invalid operation."},
    {kDaoLockedByUser, "Couldn't update; currently locked by another user."},
    {kDaoItemNotFound, "Item '|' not found in this collection."},
    {kDaoFieldInIndex, "Cannot delete field '|'. It is part of one or more indexes."},
    {kDaoIndexExists, "Index '|' already exists."},
    {kDaoFieldRequired, "The field '|' cannot contain a Null value."},
    {kDaoZeroLength, "Field '|' cannot be a zero-length string."},
    {kDaoValidationRule, "One or more values are prohibited by the rules of the table (|)."},
    {kDaoUnrecognizedFormat, "Unrecognized database format '|'."},
    {kDaoNumericOverflow, "Numeric field overflow."},
    {kDaoOpenedExclusively,
     "You attempted to open a database '|' that is already opened "
     "exclusively by another user."},
    {kDaoConversionError, "Data type conversion error."},
    {kDaoCriteriaMismatch, "Data type mismatch in criteria expression."},
};

const char* FindText(long number) {
  for (const ErrorText& e : kErrorTable) {
    if (e.number == number) return e.text;
  }
  return nullptr;
}

const char* AfxText(int nAfxDaoError) {
  switch (nAfxDaoError) {
    case AFX_DAO_ERROR_ENGINE_INITIALIZATION:
      return "The database engine could not be initialized.";
    case AFX_DAO_ERROR_DFX_BIND:
      return "A field binding is invalid.";
    case AFX_DAO_ERROR_OBJECT_NOT_OPEN:
      return "The object is not open.";
    case AFX_DAO_ERROR_FILE_REPLACED:
      return "The database file was replaced or removed while it was open.";
    default:
      return "Unknown database engine failure.";
  }
}

}  // namespace

CDaoException::CDaoException()
    : m_scode(0), m_nAfxDaoError(NO_AFX_DAO_ERROR), m_pErrorInfo(nullptr) {}

CDaoException::~CDaoException() { delete m_pErrorInfo; }

CDaoException::CDaoException(const CDaoException& other)
    : CException(other),
      m_scode(other.m_scode),
      m_nAfxDaoError(other.m_nAfxDaoError),
      m_pErrorInfo(other.m_pErrorInfo != nullptr ? new CDaoErrorInfo(*other.m_pErrorInfo)
                                                 : nullptr) {}

CDaoException& CDaoException::operator=(const CDaoException& other) {
  if (this != &other) {
    CDaoErrorInfo* copy =
        other.m_pErrorInfo != nullptr ? new CDaoErrorInfo(*other.m_pErrorInfo) : nullptr;
    delete m_pErrorInfo;
    m_pErrorInfo = copy;
    m_scode = other.m_scode;
    m_nAfxDaoError = other.m_nAfxDaoError;
  }
  return *this;
}

long CDaoException::GetErrorNumber() const {
  return m_pErrorInfo != nullptr ? m_pErrorInfo->m_lErrorCode : 0;
}

CString CDaoException::GetErrorMessage() const {
  if (m_pErrorInfo == nullptr) return CString(AfxText(m_nAfxDaoError));
  std::string text = "Engine error " + std::to_string(m_pErrorInfo->m_lErrorCode) + ": " +
                     m_pErrorInfo->m_strDescription.str();
  return CString(text);
}

namespace zl::engine {

CString DaoErrorText(long lNumber) {
  const char* text = FindText(lNumber);
  return CString(text != nullptr ? text : "");
}

void ThrowDaoError(long lNumber, const char* pszArg) {
  CDaoException e;
  e.m_scode = DaoScode(lNumber);
  e.m_pErrorInfo = new CDaoErrorInfo;
  e.m_pErrorInfo->m_lErrorCode = lNumber;
  e.m_pErrorInfo->m_strSource = "zldbctrl70 engine";
  const char* text = FindText(lNumber);
  std::string description = text != nullptr ? text : "Engine error.";
  size_t bar = description.find('|');
  if (bar != std::string::npos) description.replace(bar, 1, pszArg != nullptr ? pszArg : "");
  e.m_pErrorInfo->m_strDescription = CString(description);
  throw e;
}

void ThrowAfxDaoError(int nAfxDaoError) {
  CDaoException e;
  e.m_nAfxDaoError = nAfxDaoError;
  throw e;
}

long DaoNumberOf(const CSqlFailure& failure, FailureContext context) {
  const bool opening = context == FailureContext::kOpen || context == FailureContext::kCreate;
  switch (failure.Status()) {
    case SqlStatus::kOk:
    case SqlStatus::kError:
      return kDaoReservedError;
    case SqlStatus::kBusy:
      return opening ? kDaoCannotLockFile : kDaoLockedByUser;
    case SqlStatus::kLocked:
      return kDaoTableInUse;
    case SqlStatus::kUnique:
      return kDaoDuplicateKey;
    case SqlStatus::kNotNull:
      return kDaoFieldRequired;
    case SqlStatus::kConstraint:
      return kDaoValidationRule;
    case SqlStatus::kReadOnly:
      return opening ? kDaoCannotOpenFile : kDaoReadOnly;
    case SqlStatus::kIoError:
      return kDaoDiskError;
    case SqlStatus::kFull:
      return kDaoDiskFull;
    case SqlStatus::kCorrupt:
      return kDaoCorrupt;
    case SqlStatus::kNotADatabase:
      return kDaoUnrecognizedFormat;
    case SqlStatus::kCantOpen:
      return context == FailureContext::kCreate ? kDaoInvalidPath : kDaoCannotOpenFile;
    case SqlStatus::kNoMemory:
      return 0;
    case SqlStatus::kNoResources:
      return kDaoResourcesExceeded;
    case SqlStatus::kNoSuchTable:
      return kDaoObjectNotFound;
    case SqlStatus::kNoSuchColumn:
      return kDaoItemNotFound;
    case SqlStatus::kSchemaError:
      return kDaoTableExists;
    case SqlStatus::kConnectionLost:
      return kDaoDiskError;  // "disk or network error"
    case SqlStatus::kConversion:
      return kDaoConversionError;
    case SqlStatus::kOverflow:
      return kDaoNumericOverflow;
    case SqlStatus::kSerialization:
      // A conflicting concurrent change: a lock conflict to the caller, who
      // may repeat the operation.
      return opening ? kDaoCannotLockFile : kDaoLockedByUser;
  }
  return kDaoReservedError;
}

void ThrowFromBackend(const CSqlFailure& failure, FailureContext context, const char* pszArg) {
  long number = DaoNumberOf(failure, context);
  if (number == 0) throw CMemoryException();
  if (number == kDaoReservedError && pszArg == nullptr) pszArg = failure.what();
  ThrowDaoError(number, pszArg);
}

}  // namespace zl::engine
