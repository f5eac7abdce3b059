// Files stored with a model: a name, a type, a language, an access value
// and the file's bytes (rows of FILES).
//
// Every operation comes in a ByID form (record ID) and a ByBookmark form
// (the record's bookmark; 8 when it cannot be set).  Common codes: 7 bad
// handle, 9 engine failure or a number that does not fit its column, 6
// memory exhausted.
#ifndef ZLDBCTRL70_FILES_H_
#define ZLDBCTRL70_FILES_H_

#include "zldbctrl70/export.h"
#include "zldbctrl70/value_objects.h"

// The record's files in table order; the array is emptied first (its
// objects deleted).  Each file's bytes are read into a block of its own;
// an empty or missing file has no block.  The ByID forms read an ID that no
// record has as a record without files.
ZL_EXPORT int ZLGetFilesByID(void* hDB, long lID, CZLFileArray& files);
ZL_EXPORT int ZLGetFilesByBookmark(void* hDB, const COleVariant& bookmark, CZLFileArray& files);

// Replaces the record's files with the array: the record's rows are
// rewritten in order (keeping their file IDs), rows are added for further
// objects and surplus rows deleted.  The objects' file IDs are not read.
// The record must exist (11).  All-or-nothing.
ZL_EXPORT int ZLSetFilesByID(void* hDB, long lID, const CZLFileArray& files);
ZL_EXPORT int ZLSetFilesByBookmark(void* hDB, const COleVariant& bookmark,
                                   const CZLFileArray& files);

#endif  // ZLDBCTRL70_FILES_H_
