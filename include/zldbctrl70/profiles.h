// Profile strings: free-form settings of a record, a text value under a key
// inside a section, in the manner of an initialisation file.
//
// They live in tables of the database created on demand: the record's
// catalogue table (named by the record's UDTNAME, at most 20 characters)
// lists its section tables; a section table is named by the catalogue name
// followed by the section name, holds a memo column per key and one row
// per record.  Names are used exactly as given and always quoted, so
// quotes, semicolons and spaces are part of them; a name the engine cannot
// use (empty, longer than 64 characters, a leading space, one of . ! ` [ ]
// or a control character) is refused with 9.
//
// All take the record ID after the handle.  Codes: 7 bad handle or a
// reserved catalogue name, 11 the record (or its section row) does not
// exist, 10 no value (no such key, or a NULL value), 9 engine failure, 6
// memory exhausted.  Every write, with the tables and columns it creates or
// removes, is all-or-nothing.
#ifndef ZLDBCTRL70_PROFILES_H_
#define ZLDBCTRL70_PROFILES_H_

#include "zldbctrl70/export.h"
#include "zldbctrl70/platform/coll_array.h"
#include "zldbctrl70/platform/cstring.h"

// Reads one value.  The catalogue name is not used: the record's own
// catalogue is.
ZL_EXPORT int ZLGetProfileString(void* hDB, long lID, const char* lpszCatalog,
                                 const char* lpszSection, const char* lpszKey, CString& value);

// Lists every value the record holds: entry i of the three arrays is one
// value with its section and key, ordered by section and then key (byte
// order); keys without a value (NULL) are left out, empty values are
// listed.  The arrays are emptied first and left empty on a failure.  A
// record without profile strings gives empty arrays and 1; 11 when the
// record does not exist.  Reads one committed state of the file.
ZL_EXPORT int ZLGetProfileStrings(void* hDB, long lID, CStringArray& sections, CStringArray& keys,
                                  CStringArray& values);

// Writes one value, creating what is missing: the record's user-defined
// table ID, its catalogue name (the given one, when it has none yet), the
// catalogue, the section table and its entry in the catalogue, the record's
// row and the key's column.  A catalogue name that equals a fixed table's
// name or is part of a per-language table name pattern is refused with 7.
ZL_EXPORT int ZLSetProfileString(void* hDB, long lID, const char* lpszCatalog,
                                 const char* lpszSection, const char* lpszKey, CString value);

// Removes the record's row of a section.  A section table left without rows
// is removed with its catalogue entry, and a catalogue left without entries
// is removed and the record's catalogue name cleared.
ZL_EXPORT int ZLDeleteProfileSection(void* hDB, long lID, const char* lpszCatalog,
                                     const char* lpszSection);

// Clears one value.  The record's row goes when it holds no value any more
// (cleaning up the section and catalogue as above); a key column that no
// row holds a value in any more is removed.
ZL_EXPORT int ZLDeleteProfileKey(void* hDB, long lID, const char* lpszCatalog,
                                 const char* lpszSection, const char* lpszKey);

#endif  // ZLDBCTRL70_PROFILES_H_
