// Additional data: columns that users add to the database, each described
// by a row of ADDITIONAL_DATA_INFO and existing as a real column of
// ADDITIONAL_DATA, which holds at most one row per record.
//
// A column's data name is its name in the table exactly as given: any text
// the engine accepts as a name (1 to 64 characters, no leading space, none
// of . ! ` [ ] and no control characters) is stored and used quoted, so
// quotes, semicolons and spaces are part of the name; other names are
// refused with 9.  Column type codes: 0 text of the description's size, 1
// memo, 2 Boolean, 3 byte, 4 integer, 5 long, 6 single, 7 double, 8 date,
// 9 long binary, 10 counter; any other code a text of 40 characters.
//
// Common codes: 7 bad handle, 9 engine failure or a number that does not
// fit its column, 6 memory exhausted, 14 no column of that name.  Every
// write, schema changes included, is all-or-nothing.
#ifndef ZLDBCTRL70_ADDITIONAL_DATA_H_
#define ZLDBCTRL70_ADDITIONAL_DATA_H_

#include "zldbctrl70/export.h"
#include "zldbctrl70/value_objects.h"

// 1 when at least one column is described, else 0; the last error is 0 in
// both cases.
ZL_EXPORT int ZLIsAdditionalDataAvailable(void* hDB);

// Every description in data-name order (the array is emptied first).
ZL_EXPORT int ZLGetAdditionalDataInfo(void* hDB, CZLAdditionalDataInfoArray& infos);
// Fills the description of the column that info names.
ZL_EXPORT int ZLGetAdditionalDataInfo(void* hDB, CZLAdditionalDataInfoObject& info);

// Updates the info text and state of the described columns (name, type,
// size and index flags never change).  A missing column gives 14 and
// nothing is written.
ZL_EXPORT int ZLSetAdditionalDataInfo(void* hDB, const CZLAdditionalDataInfoArray& infos);
ZL_EXPORT int ZLSetAdditionalDataInfo(void* hDB, const CZLAdditionalDataInfoObject& info);

// Adds a column as described (38 when the name is taken), with an index
// over it when m_lIndex is non-zero (unique unless m_lDuplicate is
// non-zero).  Removes a column with its index and every value (14 when
// there is none).
ZL_EXPORT int ZLCreateAdditionalDataInfo(void* hDB, const CZLAdditionalDataInfoObject& info);
ZL_EXPORT int ZLDeleteAdditionalDataInfo(void* hDB, const CZLAdditionalDataInfoObject& info);

// One value of one record (a NULL variant for an empty value); 11 when the
// record has no additional data, 14 when no such column is described.
ZL_EXPORT int ZLGetAdditionalDataByID(void* hDB, long lID, const char* lpszDataName,
                                      COleVariant& value);
ZL_EXPORT int ZLGetAdditionalDataByBookmark(void* hDB, const COleVariant& bookmark,
                                            const char* lpszDataName, COleVariant& value);

// Stores one value of one record, adding the record's row with its first
// value; a NULL or empty variant stores NULL.  The record must exist (11);
// 14 no such column; 36 the value would repeat one of the column's unique
// index; 9 a value the column cannot hold.
ZL_EXPORT int ZLSetAdditionalDataByID(void* hDB, long lID, const char* lpszDataName,
                                      COleVariant& value);
ZL_EXPORT int ZLSetAdditionalDataByBookmark(void* hDB, const COleVariant& bookmark,
                                            const char* lpszDataName, COleVariant& value);

#endif  // ZLDBCTRL70_ADDITIONAL_DATA_H_
