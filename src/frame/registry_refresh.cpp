#include "frame/registry_refresh.h"

#include "engine/dao_database.h"
#include "engine/dao_errors.h"
#include "engine/dao_workspace.h"
#include "frame/guard.h"
#include "frame/language_maps.h"
#include "schema/language_tables.h"
#include "schema/layout.h"
#include "schema/zl_recordset.h"

namespace zl {
namespace {

// Walks the registry when its last-update date moved past stamp and calls
// enter(registryRecordset) on every row; enter opens what the handle does
// not hold yet.  Costs one look-up of the date when nothing changed (in
// snapshot mode, the date in the handle's picture).  The stamp moves only after a complete walk, so
// a walk cut short by an engine failure is repeated at the next refresh.
// Returns 0, or the code CodeForCurrentException gives for a failure.
template <class EnterRow>
int RefreshFromRegistry(ZLHandleRecord& record, ZLFixedTable registry, DATE& stamp,
                        EnterRow&& enter) {
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
  } catch (...) {
    return CodeForCurrentException();
  }
}

}  // namespace

void KeepOnlyRegistryDates(CDaoDatabase& database) {
  database.KeepTableDatesOnlyFor(
      {FixedTableLayout(ZLT_RESINFO).name, FixedTableLayout(ZLT_SIMTABINFO).name});
}

int RefreshResourceTables(ZLHandleRecord& record) {
  return RefreshFromRegistry(
      record, ZLT_RESINFO, record.resourceRegistryStamp, [&](CZLRecordset& row) {
        const int kind = row.GetFieldValue("TABTYPE").bVal;
        if (kind >= kResourceTableKinds) return;
        const COleVariant language = row.GetFieldValue("LANGID");
        if (language.vt == VT_NULL) return;
        const WORD langID = static_cast<WORD>(language.lVal);
        ZLOpenTables<WORD, WORD>& tables = record.languages->resource[kind];
        if (tables.FindRecordset(langID) != nullptr) return;
        const COleVariant name = row.GetFieldValue("TABNAME");
        try {
          CLanguageTable table =
              OpenLanguageTable(*record.database, ResourceTableLayout(kind), V_BSTRT(&name));
          tables.tableDefs[langID] = table.tableDef.release();
          tables.recordsets[langID] = table.recordset.release();
        } catch (const CDaoException&) {
          // A registered table that cannot be opened (removed by another
          // process between its registry row and now) is left out; the
          // other languages stay usable.
        }
      });
}

int RefreshSimulatorTables(ZLHandleRecord& record) {
  return RefreshFromRegistry(
      record, ZLT_SIMTABINFO, record.simulatorRegistryStamp, [&](CZLRecordset& row) {
        const int kind = row.GetFieldValue("TABTYPE").bVal;
        if (kind >= kSimulatorTableKinds) return;
        const COleVariant language = row.GetFieldValue("SIM_ID");
        if (language.vt == VT_NULL) return;
        const CString name(V_BSTRT(&language));
        ZLOpenTables<CString, LPCSTR>& tables = record.languages->simulator[kind];
        if (tables.FindRecordset(name) != nullptr) return;
        const COleVariant tableName = row.GetFieldValue("TABNAME");
        try {
          CLanguageTable table =
              OpenLanguageTable(*record.database, SimulatorTableLayout(kind), V_BSTRT(&tableName));
          tables.tableDefs[name] = table.tableDef.release();
          tables.recordsets[name] = table.recordset.release();
        } catch (const CDaoException&) {
          // Left out, as for resource tables: the registry names a table that
          // is gone.
          return;
        }
        if (kind == ZLS_CALL || kind == ZLS_MACRO) {
          const COleVariant exclusive = row.GetFieldValue("EXCLUSIVE");
          record.languages->exclusive[kind][name] =
              exclusive.vt == VT_BOOL && exclusive.boolVal == VARIANT_TRUE ? TRUE : FALSE;
        }
      });
}

}  // namespace zl
