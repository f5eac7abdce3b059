// Opening a database as ZLOpenDatabase does, for library routines that need
// a handle of their own (repair works on a handle on its private copy).
#ifndef ZLDBCTRL70_FRAME_OPEN_HANDLE_H_
#define ZLDBCTRL70_FRAME_OPEN_HANDLE_H_

#include "frame/guard.h"
#include "zldbctrl70/database.h"

namespace zl {

// The handle (shared with an open of the same file, mode and login) or the
// open's failure code.  Engine exceptions propagate.  The caller gives the
// handle back with DestroyHandle or ZLCloseDatabase's routine.
ZLHandleOutcome OpenDatabaseHandle(const char* name, EOpenMode mode, const char* login);

}  // namespace zl

#endif  // ZLDBCTRL70_FRAME_OPEN_HANDLE_H_
