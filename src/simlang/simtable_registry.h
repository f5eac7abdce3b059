// The simulator-language tables of a handle, kept in step with SIMTABINFO.
#ifndef ZLDBCTRL70_SIMLANG_SIMTABLE_REGISTRY_H_
#define ZLDBCTRL70_SIMLANG_SIMTABLE_REGISTRY_H_

#include "frame/handle_record.h"
#include "frame/registry_refresh.h"

class CZLRecordset;

namespace zl {

// The open recordset of the language's table of a kind (ZLSimTableKind),
// refreshing once when the handle does not know it; null when there is none.
CZLRecordset* FindSimulatorTable(ZLHandleRecord& record, int kind, const char* language);

}  // namespace zl

#endif  // ZLDBCTRL70_SIMLANG_SIMTABLE_REGISTRY_H_
