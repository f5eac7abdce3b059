// Simulator languages: the per-simulator-language call, macro, access and
// package tables.  Simulator-language names are case-sensitive (spice and
// Spice are two languages).
#ifndef ZLDBCTRL70_SIMLANG_H_
#define ZLDBCTRL70_SIMLANG_H_

#include "zldbctrl70/export.h"
#include "zldbctrl70/platform/coll_array.h"

// Create and register the table of one kind for a simulator language; 19
// when it already has one, 1 when the engine failed (nothing is left
// behind).  The exclusive flag of call and macro tables is stored as given;
// access and package tables are always registered exclusive.  Adding a
// package table renews the package change stamp.
ZL_EXPORT int ZLAddCallTable(void* hDB, const char* lpszSimLanguage, int bExclusive);
ZL_EXPORT int ZLAddMacroTable(void* hDB, const char* lpszSimLanguage, int bExclusive);
ZL_EXPORT int ZLAddAccessTable(void* hDB, const char* lpszSimLanguage);
ZL_EXPORT int ZLAddPackageTable(void* hDB, const char* lpszSimLanguage);

// Delete the table of one kind and its registry row; 20 when there is none,
// 1 when the engine failed (nothing changed then).  Removing a package
// table renews the package change stamp.
ZL_EXPORT int ZLRemoveCallTable(void* hDB, const char* lpszSimLanguage);
ZL_EXPORT int ZLRemoveMacroTable(void* hDB, const char* lpszSimLanguage);
ZL_EXPORT int ZLRemoveAccessTable(void* hDB, const char* lpszSimLanguage);
ZL_EXPORT int ZLRemovePackageTable(void* hDB, const char* lpszSimLanguage);

// The exclusive flag of the language's call or macro table; 21 when the
// language has no table of that kind.
ZL_EXPORT int ZLIsExclusiveCallTable(void* hDB, const char* lpszSimLanguage, int& bExclusive);
ZL_EXPORT int ZLIsExclusiveMacroTable(void* hDB, const char* lpszSimLanguage, int& bExclusive);

// Append the simulator languages that have a table of the kind (the array is
// not emptied first).
ZL_EXPORT int ZLGetAvailableCallSimLanguages(void* hDB, CStringArray& languages);
ZL_EXPORT int ZLGetAvailableMacroSimLanguages(void* hDB, CStringArray& languages);
ZL_EXPORT int ZLGetAvailableAccessSimLanguages(void* hDB, CStringArray& languages);
ZL_EXPORT int ZLGetAvailablePackageSimLanguages(void* hDB, CStringArray& languages);

#endif  // ZLDBCTRL70_SIMLANG_H_
