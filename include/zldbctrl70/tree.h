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
#include "zldbctrl70/platform/cstring.h"
#include "zldbctrl70/platform/types.h"
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

// Deletes a record with everything that belongs to it, in one transaction:
// its keywords, nodes (with their texts, units, access rows and parameter-
// set values), files, macros, calls, symbols, the texts of its title and
// information in every language, its parameter sets (with their values,
// keywords and texts), tolerances and stresses (with their per-set values),
// its additional data and its MAIN row.  Its user-defined rows and profile
// strings stay in their tables, detached: its UDT_ID row keeps its counter
// with MODEL_ID NULL.  Call ZLDeleteUDTRecordByID first to remove them.
// Links are not maintained: a parent's FIRSTCHILD or a sibling's NEXT that
// names the record keeps naming it; unlink the record first.  11 when there
// is no
// such record (checked before the write lock is taken), 8 for a bookmark
// that cannot be set; a failing step leaves everything as it was, with
// that step's code (9 engine failure, 6 memory).
ZL_EXPORT int ZLDeleteRecordByID(void* hDB, long lID);
ZL_EXPORT int ZLDeleteRecordByBookmark(void* hDB, const COleVariant& bookmark);

// Deletes a record's rows in its user-defined tables and its UDT_ID row.
// The tables are those the directory table named by the record's UDTNAME
// lists in TABLE_NAME; a record's rows there are those whose UDT_ID equals
// the UDT_ID of its UDT_ID row (found through an index UDT_ID_INDEX when
// the table has one, else by a scan).  Succeeds without change when the
// record has no UDT_ID row (last error 11); 10 when it has one but no
// UDTNAME.  One transaction: a failure leaves every table as it was.
ZL_EXPORT int ZLDeleteUDTRecordByID(void* hDB, long lID);
ZL_EXPORT int ZLDeleteUDTRecordByBookmark(void* hDB, const COleVariant& bookmark);

// Makes the destination record (which must exist) a copy of the source
// record; the two may lie in one database or in two.  Copied: the MAIN
// columns DEFNAME, CREATED_USER, CREATED_DATE, AUTHOR, DATE, USES, SHEET,
// STATE, TYPE, LEVEL and WIZARDDATA; titles and information texts in every
// language; keywords; files; nodes of both kinds (with new node IDs, a
// wizard-file reference pointing at the destination's copy of the file);
// macros and calls of every simulator language; symbols; the parameter
// sets, which replace the destination's, each with its columns, texts,
// keywords and node values and linked as the source's are; tolerances and
// stresses with their values in every set; the additional data of every
// column both databases describe with the same type and index (and
// duplicate flag for an index, size for a text), except values a unique
// index of the destination refuses.  Node, set and limit IDs are the
// destination's own, references among them follow.  The destination
// keeps its own tree links (PARENT, FIRSTCHILD, PREV, NEXT): the source's
// name rows of another tree.  The destination must have the resource
// languages and simulator-language tables the content uses (20, 21);
// symbols in a language the destination lacks are skipped.  All or
// nothing: on a failure the destination is exactly as before; the source
// is only read.  7 for either handle bad, 8 for a bookmark.
ZL_EXPORT int ZLCopyRecordByBookmark(void* hSrcDB, const COleVariant& srcBookmark, void* hDestDB,
                                     const COleVariant& destBookmark);

// Makes the destination record's user-defined data (profile strings among
// them) a copy of the source record's: the destination's own is deleted as
// by ZLDeleteUDTRecordByID (with the profile clean-up), then it takes the
// source's WIZTYPE and UDTNAME and a new UDT_ID row, and every row the
// source has in a table its directory lists is copied under the new ID.
// Tables and fields the destination's database lacks are created as the
// source's are.  Succeeds without change when the source has no UDT_ID row
// (last error 11); 10 when it has one but no UDTNAME.  All or nothing; 7
// for either handle bad, 8 for a bookmark.
ZL_EXPORT int ZLCopyUDTRecordByBookmark(void* hSrcDB, const COleVariant& srcBookmark, void* hDestDB,
                                        const COleVariant& destBookmark);

// Tree links.  Every record holds four links, each the ID of another record
// or NULL: PARENT, FIRSTCHILD (its first child), PREV and NEXT (its
// neighbours among its parent's children).  The getters give the link's
// value: 11 when the record does not exist, 10 when the link is NULL.  The
// setters write exactly the link asked for, storing NULL for 0; they do not
// touch partner records nor check that the value names a record or that no
// cycle arises: keeping the tree consistent is the caller's task.  A
// successful setter renews the layout change stamp; a failed one changes
// nothing, the stamp included.  The bookmark forms give 8 for a bookmark
// that is not one of this handle's.
ZL_EXPORT int ZLGetParentByID(void* hDB, long lID, long& lParent);
ZL_EXPORT int ZLGetFirstChildByID(void* hDB, long lID, long& lFirstChild);
ZL_EXPORT int ZLGetPrevByID(void* hDB, long lID, long& lPrev);
ZL_EXPORT int ZLGetNextByID(void* hDB, long lID, long& lNext);
ZL_EXPORT int ZLGetParentByBookmark(void* hDB, const COleVariant& bookmark, long& lParent);
ZL_EXPORT int ZLGetFirstChildByBookmark(void* hDB, const COleVariant& bookmark, long& lFirstChild);
ZL_EXPORT int ZLGetPrevByBookmark(void* hDB, const COleVariant& bookmark, long& lPrev);
ZL_EXPORT int ZLGetNextByBookmark(void* hDB, const COleVariant& bookmark, long& lNext);
ZL_EXPORT int ZLSetParentByID(void* hDB, long lID, long lParent);
ZL_EXPORT int ZLSetFirstChildByID(void* hDB, long lID, long lFirstChild);
ZL_EXPORT int ZLSetPrevByID(void* hDB, long lID, long lPrev);
ZL_EXPORT int ZLSetNextByID(void* hDB, long lID, long lNext);
ZL_EXPORT int ZLSetParentByBookmark(void* hDB, const COleVariant& bookmark, long lParent);
ZL_EXPORT int ZLSetFirstChildByBookmark(void* hDB, const COleVariant& bookmark, long lFirstChild);
ZL_EXPORT int ZLSetPrevByBookmark(void* hDB, const COleVariant& bookmark, long lPrev);
ZL_EXPORT int ZLSetNextByBookmark(void* hDB, const COleVariant& bookmark, long lNext);

// The bookmark of the root: the first record of the top level.  The search
// starts at the record with the smallest ID, climbs its PARENT links and
// then walks its PREV links; a link that is NULL or names no record ends
// that part, and the root is the last record reached that exists.
// 11 when the tree is empty.  A cycle of PARENT or PREV links (more steps
// than there are records) gives 9: the stored tree cannot be used.
ZL_EXPORT int ZLGetRootBookmark(void* hDB, COleVariant& bookmark);

// The path of a record: for each ancestor from the top down, two backslash
// characters and the ancestor's title in wLanguage (three spaces where the
// title cannot be read or is empty).  The record's own title is not part of
// it; a top-level record has an empty path.
//
// The path is emptied first.  On success the last error is NOT 0: it is the
// code of the PARENT read that ended the climb, 10 when the chain ended at
// a top-level ancestor, 11 when a PARENT named a missing record (an ID that
// names no record gives 1, an empty path and 11).  A cycle of PARENT links
// gives 0 with last error 9 and an empty path; an engine failure gives 0
// with its code and an empty path.
ZL_EXPORT int ZLGetPathByID(void* hDB, long lID, LANGID wLanguage, CString& path);

// As ZLGetPathByID for the bookmark's record; a bookmark that cannot be set
// gives 8 and leaves path untouched.
ZL_EXPORT int ZLGetPathByBookmark(void* hDB, const COleVariant& bookmark, LANGID wLanguage,
                                  CString& path);

#endif  // ZLDBCTRL70_TREE_H_
