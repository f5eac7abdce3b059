// User-defined tables of a legacy database: tables a caller designs itself
// (a name and a list of fields), created or opened through a legacy
// database handle and then used through a table handle of their own.
//
// Names.  The table name and every field name must be usable by the storage
// engine (1 to 64 bytes, no leading space, none of . ! ` [ ] and no control
// characters, not beginning with the engine's reserved prefix); anything
// else is refused with 23 before the file is touched.  Names are always
// passed to the storage as quoted identifiers.
//
// Field types.  A CUDTFieldInfo's type is one of the UDT_... codes below.
// Text fields take the size given (1 to 255; 0 means 255; anything else is
// refused with 24); other types have fixed sizes.  A code not in the list
// is created as a text field of size 40.
//
// Handles and codes.  A table handle is refused with 19 when it is not an
// open table handle (a database handle included); the database handle
// given to create or open is refused with 6 as in zldbctrl70/legacy.h.
// Creating a table with its fields is all-or-nothing: a failure leaves no
// table in the file and no handle.  Codes are read with GetLastZLDBError.
#ifndef ZLDBCTRL70_USER_TABLES_H_
#define ZLDBCTRL70_USER_TABLES_H_

#include "zldbctrl70/export.h"
#include "zldbctrl70/platform/coll_array.h"
#include "zldbctrl70/platform/coll_list.h"
#include "zldbctrl70/platform/coll_typed.h"
#include "zldbctrl70/platform/cstring.h"
#include "zldbctrl70/platform/object.h"
#include "zldbctrl70/platform/variant.h"

enum EUDTFieldType : int {
  UDT_TEXT = 0,
  UDT_MEMO = 1,
  UDT_YESNO = 2,
  UDT_BYTE = 3,
  UDT_INTEGER = 4,
  UDT_LONG = 5,
  UDT_SINGLE = 6,
  UDT_DOUBLE = 7,
  UDT_DATE = 8,
  UDT_LONGBINARY = 9,
  UDT_AUTONUMBER = 10,
};

// One field of a user-defined table, and (in the value functions) one value.
class ZL_EXPORT CUDTFieldInfo : public CObject {
 public:
  CString m_strName;  // field name
  int m_nType;        // EUDTFieldType
  long m_lSize;       // characters for text, else the type's size
  COleVariant m_varValue;

  CUDTFieldInfo();
  CUDTFieldInfo(const char* lpszName, int nType, long lSize);
};

using CUDTFieldInfoArray = CTypedPtrArray<CObArray, CUDTFieldInfo*>;

// Creates the table with the fields in the order given and opens it.  22
// when two fields share a name (compared without regard to case, as the
// engine compares names), 23 a name that cannot be used, 24 an empty list
// or a bad text size, 8 a table of that name exists or the engine failed.
// Returns the table handle or null.
ZL_EXPORT void* CreateUserDefinedTable(void* hDB, const char* lpszTableName,
                                       const CUDTFieldInfoArray& fields);
// Opens an existing table (8 when there is none).
ZL_EXPORT void* OpenUserDefinedTable(void* hDB, const char* lpszTableName);
// Closes the table handle (also after its database was closed).
ZL_EXPORT int CloseUserDefinedTable(void* hTable);

// Appends one new CBookmarkObject per row, in table order.
ZL_EXPORT int UDTGetAllBookmarks(void* hTable, CObList& list);
// Fills type and size of the field named by info.m_strName (exact
// comparison); a name that is no field leaves info as it was and succeeds.
ZL_EXPORT int UDTGetFieldInfo(void* hTable, CUDTFieldInfo& info);
// Appends one new CUDTFieldInfo (name, type, size) per field, in order.
ZL_EXPORT int UDTGetFieldInfos(void* hTable, CUDTFieldInfoArray& infos);

// A row's value of one field (8 for an unknown field or a bad bookmark).
ZL_EXPORT int UDTGetFieldValueByBookmark(void* hTable, COleVariant bookmark, const char* lpszField,
                                         COleVariant& value);
// The same into info.m_varValue, with type and size (the field named by
// info.m_strName; no such field: info stays as it was, success).
ZL_EXPORT int UDTGetFieldValueByBookmark(void* hTable, COleVariant bookmark, CUDTFieldInfo& info);
// Writes one value of a row (a null or empty variant writes NULL); the
// engine converts it to the field's type or refuses it (8).
ZL_EXPORT int UDTSetFieldValueByBookmark(void* hTable, COleVariant bookmark, const char* lpszField,
                                         const COleVariant& value);
ZL_EXPORT int UDTSetFieldValueByBookmark(void* hTable, COleVariant bookmark,
                                         const CUDTFieldInfo& info);
// Appends one new CUDTFieldInfo per field with name, type, size and the
// row's value; on a failure the array is emptied (its objects deleted).
ZL_EXPORT int UDTGetFieldValues(void* hTable, COleVariant bookmark, CUDTFieldInfoArray& infos);
// Adds a row with the values given (pValues may be null) and returns its
// bookmark; when a value cannot be written no row is left.
ZL_EXPORT int UDTCreateNewRecord(void* hTable, COleVariant& bookmark,
                                 const CUDTFieldInfoArray* pValues);
ZL_EXPORT int UDTDeleteRecordByBookmark(void* hTable, COleVariant bookmark);

#endif  // ZLDBCTRL70_USER_TABLES_H_
