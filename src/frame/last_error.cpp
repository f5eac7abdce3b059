#include "frame/last_error.h"

#include <atomic>
#include <iterator>

namespace zl {
namespace {

// Process-wide, as the library's calling contract says: a call in another
// thread may replace it before it is read.  Atomic only so that reading it
// while another thread's call sets it is not a data race.
std::atomic<int> g_lastError{ZLE_OK};

struct ErrorText {
  int code;
  const char* text;
};

const ErrorText kErrorTexts[] = {
    {ZLE_OK, "no error"},
    {ZLE_IN_USE_OR_EXISTS,
     "database in use or already exists, or its structure could not be changed"},
    {ZLE_NOT_WRITABLE, "file is not writable"},
    {ZLE_FILE_NOT_FOUND, "file does not exist"},
    {ZLE_CREATE_FAILED, "database could not be created"},
    {ZLE_OPEN_FAILED, "database could not be opened"},
    {ZLE_OUT_OF_MEMORY, "out of memory or other system resources"},
    {ZLE_BAD_HANDLE, "invalid database handle"},
    {ZLE_BAD_BOOKMARK, "bookmark could not be set"},
    {ZLE_ENGINE, "storage engine error"},
    {ZLE_NULL_VALUE, "value is empty"},
    {ZLE_NO_RECORD, "no such record"},
    {ZLE_LOCKED, "database is locked or opened exclusively by another user"},
    {ZLE_NEWER_STRUCTURE, "database structure is newer than this library"},
    {ZLE_NO_DATA_COLUMN, "additional-data column does not exist"},
    {ZLE_REPAIR_COPY_BACK, "repaired file could not be copied back"},
    {ZLE_TEMP_FILE, "temporary file handling failed"},
    {ZLE_LANGUAGE_EXISTS, "resource language already exists"},
    {ZLE_SIMTABLE_EXISTS, "simulator-language table already exists"},
    {ZLE_NO_LANGUAGE, "language or simulator-language table does not exist"},
    {ZLE_NO_SIMTABLE_KIND, "simulator language has no table of this kind"},
    {ZLE_NO_MACRO, "macro or package row does not exist"},
    {ZLE_MACRO_OTHER_RECORD, "macro or package row belongs to another record"},
    {ZLE_MACRO_ACCESS_KEY, "wrong access key for macro texts"},
    {ZLE_NO_CALL, "call row does not exist"},
    {ZLE_CALL_OTHER_RECORD, "call row belongs to another record"},
    {ZLE_NO_RESOURCE_TEXT, "resource string does not exist"},
    {ZLE_NO_SIMLANG_ROW, "record has no row in this simulator-language table"},
    {ZLE_UPGRADE_FAILED, "upgrade failed"},
    {ZLE_MACRO_CORRUPT, "stored macro data is inconsistent"},
    {ZLE_TABLE_LOCKED, "database or table is locked by another user"},
    {ZLE_ENGINE_INIT, "storage engine could not be initialised"},
    {ZLE_NO_PACKAGE, "package does not exist"},
    {ZLE_PACKAGE_ACCESS_KEY, "wrong access key for package texts"},
    {ZLE_DUPLICATE, "duplicate value in a unique index"},
    {ZLE_LOGIN_MISMATCH, "login does not match"},
    {ZLE_DATA_COLUMN_EXISTS, "additional-data column already exists"},
    {ZLE_BAD_LOGIN, "login missing, empty or wrong"},
    {ZLE_NO_TRANSACTION, "no transaction is open on the handle"},
    {ZLE_FILE_REPLACED, "database file was replaced or removed while open"},
};

}  // namespace

void SetLastError(int code) { g_lastError.store(code, std::memory_order_relaxed); }
int LastError() { return g_lastError.load(std::memory_order_relaxed); }

}  // namespace zl

int ZLGetLastError() { return zl::LastError(); }

const char* ZLGetErrorText(int code) {
  for (const auto& entry : zl::kErrorTexts) {
    if (entry.code == code) return entry.text;
  }
  return "unknown error";
}
