// Opening a database for the library's own use (the upgrade reopens the
// file it compacted; repair and check open their private copies).
#ifndef ZLDBCTRL70_FRAME_OPEN_DATABASE_H_
#define ZLDBCTRL70_FRAME_OPEN_DATABASE_H_

#include "frame/guard.h"
#include "frame/handle_record.h"
#include "zldbctrl70/database.h"

namespace zl {

// What ZLOpenDatabase does, as a body for RunCreatingHandle: the handle
// shared with an open of the same file, mode and login, or a new one; null
// and the code on a failure.  A null login is the empty one.  With
// exclusive (for maintenance), an open handle is not taken, and the open
// fails while anybody else, in this process or another, has the database
// open; nobody else can open it while the new handle lives.
ZLHandleOutcome OpenDatabase(const char* name, EOpenMode mode, const char* login,
                             bool exclusive = false);

// Opens a library on a server in the engine as readOnly and exclusive ask
// and returns the last-error code of a failure: 3 for a database without a
// library, 12 (1 for a read-only open) when it is open exclusively
// elsewhere (or at all, for an exclusive open).
int OpenServerDatabase(CDaoDatabase& database, const char* name, bool readOnly, bool exclusive);

// Opens the fixed tables, other than DBINFO, that the handle's database
// version has, in the order an open opens them.  Engine exceptions propagate.
void OpenFixedTables(ZLHandleRecord& record);

}  // namespace zl

#endif  // ZLDBCTRL70_FRAME_OPEN_DATABASE_H_
