// The previous generation of the interface, on model libraries of the older,
// flat layout: one table SDB with one row per model (every attribute a
// column), and side tables PARAMS, CONNECT, OUTPUT, FILES, KEYWORDS and
// KEYWORDSID.  Programs written against that layout keep working through
// these functions.
//
// Handles.  A legacy database handle is a handle of its own kind, kept in
// its own list of open handles; it is never accepted by the current
// interface (which answers 7) and a current database handle is never
// accepted here (6).  A garbage, freed or foreign handle gives 6 and changes
// nothing.
//
// Results.  Every function returns 1 on success or 0 on failure (the
// functions that make a handle return it, or null) and leaves a legacy
// last-error code (LZLError) for GetLastZLDBError.  That code is separate
// from ZLGetLastError's.  No exception leaves a function; every write is
// all-or-nothing.  Objects handed out in lists are allocated with new and
// belong to the caller (FreeObjectList / FreeObjectArray).
#ifndef ZLDBCTRL70_LEGACY_H_
#define ZLDBCTRL70_LEGACY_H_

#include "zldbctrl70/export.h"
#include "zldbctrl70/platform/coll_array.h"
#include "zldbctrl70/platform/coll_list.h"
#include "zldbctrl70/platform/cstring.h"
#include "zldbctrl70/platform/datetime.h"
#include "zldbctrl70/platform/longbinary.h"
#include "zldbctrl70/platform/object.h"
#include "zldbctrl70/platform/types.h"
#include "zldbctrl70/platform/variant.h"

// clang-format off: the codes and their comments are kept in columns.
enum LZLError : int {
  LZLE_OK = 0,
  LZLE_NOT_WRITABLE = 1,       // write access asked for a file that cannot be written
  LZLE_FILE_NOT_FOUND = 2,     // the file does not exist
  LZLE_OUT_OF_MEMORY = 5,      // memory exhausted
  LZLE_BAD_HANDLE = 6,         // invalid legacy database handle
  LZLE_ENGINE = 8,             // the storage engine failed (also a bookmark it refused)
  LZLE_NULL_VALUE = 9,         // the field is null
  LZLE_NO_RECORD = 10,         // no record with that ID
  LZLE_NO_TEMP_FILE = 16,      // conversion: no temporary file could be made
  LZLE_BAD_TABLE_HANDLE = 19,  // invalid user-defined-table handle
  LZLE_DUPLICATE_FIELD = 22,   // a new user-defined table names one field twice
  LZLE_BAD_NAME = 23,          // a table or field name that cannot be used
  LZLE_BAD_FIELD = 24,         // a field list the engine cannot create (empty, text size)
  LZLE_ACCESS_CODE = 25,       // a library text asked for with a wrong access code
};
// clang-format on

// The code callers pass to read library texts (GetLib...).
constexpr long LZL_LIB_ACCESS = 0x3B1D2E7;
// Bit of the library-state fields: the library text is stored compressed.
constexpr long LZL_LIB_COMPRESSED = 0x8000;
// The layout version CreateZLDatabase writes.
constexpr long LZL_DATABASE_VERSION = 4;

// ---- database --------------------------------------------------------------

// The last legacy error code (0 after loading).  Changes nothing.
ZL_EXPORT int GetLastZLDBError();

// Opens a legacy database.  An open handle on the same path (compared
// without regard to case) with the same read-only flag is shared (its
// reference count is raised).  2 no such file, 1 write access asked for a
// file that cannot be written, 8 not a legacy database or the engine
// failed.  Returns the handle or null.
ZL_EXPORT void* OpenZLDatabase(const char* lpszPath, BOOL bReadOnly);
// Creates a new legacy database (layout version 4) and returns its open,
// read-write handle, or null (8: the file exists or the engine failed; no
// file is left behind).
ZL_EXPORT void* CreateZLDatabase(const char* lpszPath);
// Returns one reference; the last one closes the database.
ZL_EXPORT int CloseZLDatabase(void* hDB);
// Converts a database of layout version below 4, open read-write and not
// shared, into the current layout: every model is copied into a new file
// (macro models, TYPE "MAC", without an output of type bits 0x4 and 0x8 get
// the output {"dyn", "%s", "1,0", 12}), which then replaces the original.
// hDB is closed and the handle of the reopened file is returned.  Any other
// database is returned unchanged.  On failure (16: no temporary file, or the
// file could not be replaced) null is returned and the original file is
// as it was.
ZL_EXPORT void* ConvertZLDatabase(void* hDB);

// The layout version (LASTLAYOUTCHANGE.VERSION; 0 when null).
ZL_EXPORT int GetDatabaseVersion(void* hDB, long* plVersion);
ZL_EXPORT int SetDatabaseVersion(void* hDB, long lVersion);
// The time of the last change of the tree (LASTLAYOUTCHANGE.DATE).
ZL_EXPORT int GetLastLayoutChangeDate(void* hDB, COleDateTime* pDate);
// Appends one CBookmarkObject per model, in ID order.
ZL_EXPORT int GetAllBookmarks(void* hDB, CObList* pList);

// ---- records ---------------------------------------------------------------

ZL_EXPORT int GetIDByBookmark(void* hDB, COleVariant bookmark, long& lID);
ZL_EXPORT int GetBookmarkByID(void* hDB, long lID, COleVariant& bookmark);
// Adds an empty model (its DATE the current time) and returns its bookmark.
ZL_EXPORT int CreateNewRecord(void* hDB, COleVariant& bookmark);
// Deletes the model with its parameters, connections, outputs, files and
// keyword links, and stamps the layout change.
ZL_EXPORT int DeleteRecordByBookmark(void* hDB, COleVariant bookmark);
ZL_EXPORT int DeleteRecordByID(void* hDB, long lID);
// Copies a model's fields and side lists onto another model, in the same
// database or another one; the destination's writes are one transaction.
ZL_EXPORT int CopyRecordByBookmark(void* hSource, COleVariant sourceBookmark, void* hDest,
                                   COleVariant destBookmark);

#include "zldbctrl70/legacy_attributes.h"
#include "zldbctrl70/legacy_objects.h"
#include "zldbctrl70/legacy_query.h"

#endif  // ZLDBCTRL70_LEGACY_H_
