// The per-language resource tables of a handle: keeping the handle's maps in
// step with the RESINFO registry, and reading and writing one text of a
// resource ID.
//
// Each routine works on a locked handle record and returns a last-error
// code (0 on success); engine exceptions propagate to the operation's guard
// unless a routine says otherwise.
#ifndef ZLDBCTRL70_RESOURCES_RESOURCE_TABLES_H_
#define ZLDBCTRL70_RESOURCES_RESOURCE_TABLES_H_

#include "frame/handle_record.h"
#include "frame/registry_refresh.h"
#include "zldbctrl70/platform/coll_array.h"
#include "zldbctrl70/platform/variant.h"

class CZLRecordset;

namespace zl {

// Sets table to the open recordset of a language's table of kind
// (ZLResourceKind), refreshing once when the handle does not know it.  0;
// 20 when the language has no such table; or the code of a failed refresh
// (6, 9), so that a failure to read the registry is not reported as a
// missing language.
int FindResourceTable(ZLHandleRecord& record, int kind, WORD language, CZLRecordset*& table);
// The same for the string table.
int FindStringTable(ZLHandleRecord& record, WORD language, CZLRecordset*& table);

// The text of a resource ID in one language: 20 when the language has no
// string table, 27 when the table has no text for the ID (or it is NULL; the
// out variant then holds NULL).
int GetResourceText(ZLHandleRecord& record, const COleVariant& resourceID, WORD language,
                    COleVariant& text);

// Stores the text of a resource ID in one language, adding its row when
// there is none.  20 when the language has no string table.
int SetResourceText(ZLHandleRecord& record, const COleVariant& resourceID, WORD language,
                    const COleVariant& text);

// Appends the languages that have resource tables, after a refresh: every
// language with a string table, then those with only symbol, keyword or
// unit tables, each once.  0, or the refresh's failure code.
int AvailableResourceLanguages(ZLHandleRecord& record, CArray<WORD, WORD>& languages);

// Creates the tables of a resource language that it lacks, each group with
// its registry rows in one transaction: 0, 18 when the last group existed
// already, or the failure's code (what this call created is then removed
// again when it had created the string table).
int AddResourceLanguage(ZLHandleRecord& record, WORD language);
// A new resource ID from the RESID counter (a 32-bit integer variant).
// Never reused.
COleVariant NewResourceID(ZLHandleRecord& record);

}  // namespace zl

#endif  // ZLDBCTRL70_RESOURCES_RESOURCE_TABLES_H_
