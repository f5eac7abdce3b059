#include "frame/language_maps.h"

#include "engine/close_quietly.h"
#include "schema/zl_recordset.h"
#include "schema/zl_tabledef.h"

namespace zl {
namespace {

template <class KEY, class ARG_KEY>
void ClearTables(ZLOpenTables<KEY, ARG_KEY>& tables) {
  POSITION pos = tables.recordsets.GetStartPosition();
  while (pos != nullptr) {
    KEY key;
    CZLRecordset* recordset = nullptr;
    tables.recordsets.GetNextAssoc(pos, key, recordset);
    CloseAndDelete(recordset);
  }
  tables.recordsets.RemoveAll();
  pos = tables.tableDefs.GetStartPosition();
  while (pos != nullptr) {
    KEY key;
    CZLTableDef* tableDef = nullptr;
    tables.tableDefs.GetNextAssoc(pos, key, tableDef);
    CloseAndDelete(tableDef);
  }
  tables.tableDefs.RemoveAll();
}

}  // namespace

ZLLanguageMaps::~ZLLanguageMaps() { Clear(); }

void ZLLanguageMaps::Clear() {
  for (auto& tables : resource) ClearTables(tables);
  for (auto& tables : simulator) ClearTables(tables);
  for (auto& flags : exclusive) flags.RemoveAll();
}

}  // namespace zl
