// Resource languages: the per-language tables that hold language-dependent
// texts, symbols, keywords and preferred units.
#ifndef ZLDBCTRL70_RESOURCES_H_
#define ZLDBCTRL70_RESOURCES_H_

#include "zldbctrl70/export.h"
#include "zldbctrl70/platform/coll_array.h"
#include "zldbctrl70/platform/coll_typed.h"
#include "zldbctrl70/platform/types.h"
#include "zldbctrl70/value_objects.h"

// Creates and registers the five resource tables of a language.  When the
// language already has all of them: result 1 with last error 18.  A failure
// part way removes the tables this call created (last error 1 engine
// failure, 6 out of memory).
ZL_EXPORT int ZLAddResourceTable(void* hDB, WORD wLanguage);

// Deletes the five resource tables of a language and their registry rows;
// 20 when the language has none.  Stops at the first table that cannot be
// removed (1); the tables removed before it stay removed.
ZL_EXPORT int ZLRemoveResourceTable(void* hDB, WORD wLanguage);

// Appends every resource language to languages (which is not emptied first).
ZL_EXPORT int ZLGetAvailableResourceLanguages(void* hDB, CArray<WORD, WORD>& languages);

// Fills strings (emptied first, its objects deleted) with every text of the
// language that belongs to a record, a parameter set or a node.  Records
// whose state has bit 0x800 (bit 0x400) set are left out unless
// bIncludeState800 (bIncludeState400) is non-zero.  20 when the language has
// no string table.  The caller owns the objects.
ZL_EXPORT int ZLGetDBResourceStrings(void* hDB, WORD wLanguage,
                                     CTypedPtrArray<CObArray, CZLResourceStringObject*>& strings,
                                     int bIncludeState800, int bIncludeState400);

// Writes the text of every object into the language's string table under
// the object's resource ID (adding rows as needed).  One transaction: on a
// failure nothing is written.
ZL_EXPORT int ZLSetDBResourceStrings(
    void* hDB, WORD wLanguage, const CTypedPtrArray<CObArray, CZLResourceStringObject*>& strings);

#endif  // ZLDBCTRL70_RESOURCES_H_
