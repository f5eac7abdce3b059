// Last-error codes of the library.
//
// Every exported operation that takes a database handle returns 1 on success
// (last error 0) or 0 on failure, leaving one of these codes for
// ZLGetLastError.  The code is process-wide and is not cleared by reading.
#ifndef ZLDBCTRL70_ERRORS_H_
#define ZLDBCTRL70_ERRORS_H_

#include "zldbctrl70/export.h"

// clang-format off: the codes and their comments are kept in columns.
enum ZLError : int {
  ZLE_OK = 0,
  ZLE_IN_USE_OR_EXISTS = 1,     // read-only open: file in use/locked; create: file exists or
                                // its tables could not be built; table add/remove failed
  ZLE_NOT_WRITABLE = 2,         // writable open, repair or upgrade of a read-only file
  ZLE_FILE_NOT_FOUND = 3,       // open: no such file
  ZLE_CREATE_FAILED = 4,        // create: the engine failed for another reason
  ZLE_OPEN_FAILED = 5,          // open: the engine failed; repair: the engine failed
  ZLE_OUT_OF_MEMORY = 6,        // memory or other system resources (file descriptors) exhausted
  ZLE_BAD_HANDLE = 7,           // invalid database handle
  ZLE_BAD_BOOKMARK = 8,         // a bookmark could not be set
  ZLE_ENGINE = 9,               // the engine failed while reading or writing
  ZLE_NULL_VALUE = 10,          // the requested value is empty (NULL field)
  ZLE_NO_RECORD = 11,           // no record with that key
  ZLE_LOCKED = 12,              // writable open: file in use, locked or exclusive elsewhere;
                                // any operation: another process held the write lock
                                // beyond the busy timeout
  ZLE_NEWER_STRUCTURE = 13,     // structure version newer than this library knows
  ZLE_NO_DATA_COLUMN = 14,      // additional-data column does not exist
  ZLE_REPAIR_COPY_BACK = 15,    // repair: copying the repaired file back failed
  ZLE_TEMP_FILE = 17,           // repair/upgrade: temporary file handling failed
  ZLE_LANGUAGE_EXISTS = 18,     // resource language already has its tables
  ZLE_SIMTABLE_EXISTS = 19,     // simulator-language table already exists
  ZLE_NO_LANGUAGE = 20,         // resource language or simulator-language table missing
  ZLE_NO_SIMTABLE_KIND = 21,    // simulator language has no table of that kind
  ZLE_NO_MACRO = 22,            // macro or package row with that ID missing
  ZLE_MACRO_OTHER_RECORD = 23,  // macro or package row belongs to another record
  ZLE_MACRO_ACCESS_KEY = 24,    // wrong access key for macro texts
  ZLE_NO_CALL = 25,             // call row with that ID missing
  ZLE_CALL_OTHER_RECORD = 26,   // call row belongs to another record
  ZLE_NO_RESOURCE_TEXT = 27,    // resource string missing or NULL
  ZLE_NO_SIMLANG_ROW = 29,      // record has no row in that simulator-language table
  ZLE_UPGRADE_FAILED = 30,      // upgrade: engine failure other than a lock
  ZLE_MACRO_CORRUPT = 31,       // stored macro data failed its consistency check
  ZLE_TABLE_LOCKED = 32,        // repair/upgrade: database or table locked by another user
  ZLE_ENGINE_INIT = 33,         // the storage engine could not be initialised
  ZLE_NO_PACKAGE = 34,          // no package row with that ID
  ZLE_PACKAGE_ACCESS_KEY = 35,  // wrong access key for package texts
  ZLE_DUPLICATE = 36,           // duplicate value in a unique index
  ZLE_LOGIN_MISMATCH = 37,      // open: the database's login does not match
  ZLE_DATA_COLUMN_EXISTS = 38,  // additional-data column already exists
  ZLE_BAD_LOGIN = 39,           // login missing, empty or wrong
  ZLE_NO_TRANSACTION = 40,      // commit or rollback without a caller transaction
  ZLE_FILE_REPLACED = 41,       // the database file was replaced or removed while open
};
// clang-format on

// The current last-error code (0 right after loading).  Changes nothing.
ZL_EXPORT int ZLGetLastError();

// A short English description of a last-error code ("unknown error" for a
// value that is not a code).  Never null; the text is static.
ZL_EXPORT const char* ZLGetErrorText(int code);

#endif  // ZLDBCTRL70_ERRORS_H_
