// The single DBINFO row: reading and writing one of its fields, and the two
// change stamps.
#ifndef ZLDBCTRL70_FRAME_DBINFO_H_
#define ZLDBCTRL70_FRAME_DBINFO_H_

#include "frame/handle_record.h"
#include "zldbctrl70/platform/variant.h"

namespace zl {

// Reads a field of the DBINFO row (VT_NULL when it is NULL).  Engine errors
// propagate; an empty DBINFO raises the engine's no-current-record error.
COleVariant ReadDbInfoField(ZLHandleRecord& record, const char* field);

// Writes one field of the DBINFO row, adding the row when the table is
// empty.  A null value writes NULL.  No transaction; engine errors propagate
// and leave the row as it was.
void WriteDbInfoField(ZLHandleRecord& record, const char* field, const COleVariant* value);

// Writes the current local date and time into LASTLAYOUTCHANGE,
// respectively LASTVHDLPACKAGECHANGE.  Engine errors propagate.
void StampLayoutChange(ZLHandleRecord& record);
void StampPackageChange(ZLHandleRecord& record);

// Checks login against the stored login: 0 when it matches exactly or no
// login is stored, 39 when it differs or is null or empty.  Engine errors
// propagate.
int CheckDatabaseLogin(ZLHandleRecord& record, const char* login);

// Refreshes the engine's view of what other processes committed, unless the
// handle is in snapshot mode.  Costs nothing while the handle's file is in a
// transaction (every exported operation runs in one): the view was brought
// up to date when it began and cannot change before it ends.  Other files
// open in the process are refreshed by their own operations.
void RefreshUnlessSnapshot(const ZLHandleRecord& record);

}  // namespace zl

#endif  // ZLDBCTRL70_FRAME_DBINFO_H_
