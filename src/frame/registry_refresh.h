// Bringing a handle's language maps in step with the two table registries:
// RESINFO for resource languages, SIMTABINFO for simulator languages.
// Opening a database fills the maps through these; the resource and
// simulator-language routines call them again before they look a table up.
#ifndef ZLDBCTRL70_FRAME_REGISTRY_REFRESH_H_
#define ZLDBCTRL70_FRAME_REGISTRY_REFRESH_H_

#include "frame/handle_record.h"

namespace zl {

// Tells the engine that of this file's tables only the two registries have
// their last-updated dates consulted (by the refreshes below, also in other
// processes), so that a committed write to any other table does not write
// its date.  Called on every open, before the handle writes.  Engine errors
// propagate.
void KeepOnlyRegistryDates(CDaoDatabase& database);

// Opens every registered resource table the handle does not hold yet, when
// RESINFO changed since the last refresh (in snapshot mode: in the
// handle's picture).  A registered table that cannot be opened is
// left out.  0, or 9 on an engine failure (6 when memory ran out).
int RefreshResourceTables(ZLHandleRecord& record);

// The same for the simulator-language tables and SIMTABINFO, including the
// exclusive flags of call and macro tables.
int RefreshSimulatorTables(ZLHandleRecord& record);

}  // namespace zl

#endif  // ZLDBCTRL70_FRAME_REGISTRY_REFRESH_H_
