// Bringing a handle's language maps in step with one of the two table
// registries (RESINFO for resource languages, SIMTABINFO for simulator
// languages).
#ifndef ZLDBCTRL70_FRAME_REGISTRY_REFRESH_H_
#define ZLDBCTRL70_FRAME_REGISTRY_REFRESH_H_

#include "engine/dao_database.h"
#include "engine/dao_errors.h"
#include "engine/dao_workspace.h"
#include "frame/handle_record.h"
#include "frame/last_error.h"
#include "schema/zl_recordset.h"

namespace zl {

// Walks the registry when its last-update date moved past stamp and calls
// enter(registryRecordset) on every row; enter opens what the handle does
// not hold yet.  Costs one look-up of the date when nothing changed, and
// nothing in snapshot mode.  The stamp moves only after a complete walk, so
// a walk cut short by an engine failure is repeated at the next refresh.
// Returns 0, or 9 on an engine failure (6 when memory ran out).
template <class EnterRow>
int RefreshFromRegistry(ZLHandleRecord& record, ZLFixedTable registry, DATE& stamp,
                        EnterRow&& enter) {
  if (record.snapshotMode) return ZLE_OK;
  try {
    CZLRecordset& rows = *record.recordsets[registry];
    const DATE lastUpdated = rows.GetDateLastUpdated().m_dt;
    if (stamp != 0 && stamp >= lastUpdated) return ZLE_OK;
    CDaoWorkspace::Idle(dbRefreshCache);
    record.database->RefreshTableDefs();
    if (rows.GetRecordCount() > 0) {
      for (rows.MoveFirst(); !rows.IsEOF(); rows.MoveNext()) enter(rows);
    }
    stamp = lastUpdated;
    return ZLE_OK;
  } catch (const CMemoryException&) {
    return ZLE_OUT_OF_MEMORY;
  } catch (const std::bad_alloc&) {
    return ZLE_OUT_OF_MEMORY;
  } catch (const CDaoException&) {
    return ZLE_ENGINE;
  }
}

}  // namespace zl

#endif  // ZLDBCTRL70_FRAME_REGISTRY_REFRESH_H_
