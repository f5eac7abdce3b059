// Profile strings of a record in tables created on demand: the record's
// UDT_ID row gives its user-defined-table ID, its UDTNAME names its
// catalogue table (one TABLE_NAME row per section table), a section table
// is named by the catalogue name followed by the section name and holds one
// memo column per key and one row per record (found by UDT_ID through
// UDT_ID_INDEX).
//
// Every routine works on a locked handle record, returns a last-error code
// and lets engine exceptions propagate to the guard.  Each runs in one
// workspace transaction with the tables and columns it creates or removes.
#ifndef ZLDBCTRL70_PROFILES_PROFILE_TABLES_H_
#define ZLDBCTRL70_PROFILES_PROFILE_TABLES_H_

#include <string>
#include <vector>

#include "frame/handle_record.h"
#include "zldbctrl70/platform/cstring.h"

namespace zl {

// True when a catalogue name equals a fixed table's name (exact) or is a
// part of a per-language or per-simulator-language table name pattern.
bool IsReservedCatalogName(const char* name);

// 11 no UDT_ID row or section row, 10 no UDTNAME, no such key or a NULL
// value.
int ReadProfileString(ZLHandleRecord& record, long recordID, const char* section, const char* key,
                      CString& value);

// One stored value of a record's profile strings.
struct ZLProfileEntry {
  std::string section, key, value;
};

// Every value the record holds (NULL values left out), ordered by section
// and then key, byte by byte: one seek on the record's UDT_ID row, one
// on each section table's UDT_ID_INDEX.  A record without user-defined data
// or without catalogue has none (0); 11 when the record does not exist.
// Catalogue entries that do not begin with the catalogue name or name no
// section table are skipped.
int ListProfileStrings(ZLHandleRecord& record, long recordID, std::vector<ZLProfileEntry>& entries);

// Creates what is missing and stores the value.  The record's stored
// catalogue name wins over catalog once it has one.
int WriteProfileString(ZLHandleRecord& record, long recordID, const char* catalog,
                       const char* section, const char* key, const CString& value);

// Deletes the record's row of the section, then the section table when it
// is left without rows, its catalogue row, and the catalogue (clearing the
// record's UDTNAME) when that is left without rows.
int DeleteProfileSection(ZLHandleRecord& record, long recordID, const char* section);

// Clears one value; removes the row when it holds no value any more (with
// the clean-up above) and the key column when no row holds a value in it.
int DeleteProfileKey(ZLHandleRecord& record, long recordID, const char* section, const char* key);

// Deletes the record's rows in every section of its catalogue with the
// clean-up above, and its UDT_ID row (what deleting the record's
// user-defined data needs).  A record without UDT_ID row has nothing to
// delete (0).
int DeleteRecordProfiles(ZLHandleRecord& record, long recordID);

}  // namespace zl

#endif  // ZLDBCTRL70_PROFILES_PROFILE_TABLES_H_
