// Searching the model tree.  The full search is CZLQueryObject::DoQuery
// (zldbctrl70/value_objects.h); the look-up below finds records by their
// definition name alone.
#ifndef ZLDBCTRL70_QUERY_H_
#define ZLDBCTRL70_QUERY_H_

#include "zldbctrl70/export.h"
#include "zldbctrl70/platform/coll_array.h"
#include "zldbctrl70/platform/coll_typed.h"
#include "zldbctrl70/platform/variant.h"

// Empties bookmarks (freeing its variants), then adds one new bookmark per
// record whose DEFNAME equals pszDefName byte for byte (case counts), in
// the order of the definition-name index.  An index look-up: the time does
// not grow with the number of records.  On failure the array is left empty:
// 7 bad handle, 9 the index cannot be used, 8 the look-up failed, 6 memory.
// The caller frees the variants with ZLFreeBookmarkArray.
ZL_EXPORT int ZLGetMacrosBookmarkByDefName(void* hDB, const char* pszDefName,
                                           CTypedPtrArray<CPtrArray, COleVariant*>& bookmarks);

#endif  // ZLDBCTRL70_QUERY_H_
