// Records of the model tree: looking them up by ID and by bookmark.
//
// A record ID is the MODEL_ID of a MAIN row (never 0).  A bookmark is a
// variant the library hands out for one row; it is valid only for the
// handle that produced it, until that handle is closed.
#ifndef ZLDBCTRL70_TREE_H_
#define ZLDBCTRL70_TREE_H_

#include "zldbctrl70/export.h"
#include "zldbctrl70/platform/coll_array.h"
#include "zldbctrl70/platform/coll_typed.h"
#include "zldbctrl70/platform/variant.h"

// The bookmark of the record with that ID; 11 when there is none.
ZL_EXPORT int ZLGetBookmarkByID(void* hDB, long lID, COleVariant& bookmark);

// The ID of the bookmark's record; 8 when the bookmark is not one of this
// handle's.
ZL_EXPORT int ZLGetIDByBookmark(void* hDB, const COleVariant& bookmark, long& lID);

// Empties bookmarks (freeing its variants), then fills it with one new
// bookmark per record in ascending ID order.  On failure the array is left
// empty.  The caller frees the variants with ZLFreeBookmarkArray.
ZL_EXPORT int ZLGetAllBookmarks(void* hDB, CTypedPtrArray<CPtrArray, COleVariant*>& bookmarks);

// Adds an empty record (every field NULL but its ID: no title, no links)
// and returns its bookmark; renews the layout change stamp.  The caller sets
// titles, users, dates and links.
ZL_EXPORT int ZLCreateNewRecord(void* hDB, COleVariant& bookmark);

#endif  // ZLDBCTRL70_TREE_H_
