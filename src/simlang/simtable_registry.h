// The simulator-language tables of a handle, kept in step with SIMTABINFO.
#ifndef ZLDBCTRL70_SIMLANG_SIMTABLE_REGISTRY_H_
#define ZLDBCTRL70_SIMLANG_SIMTABLE_REGISTRY_H_

#include "frame/guard.h"
#include "frame/handle_record.h"
#include "frame/registry_refresh.h"

class CZLRecordset;

namespace zl {

// The open recordset of the language's table of a kind (ZLSimTableKind),
// refreshing once when the handle does not know it; null when there is none.
CZLRecordset* FindSimulatorTable(ZLHandleRecord& record, int kind, const char* language);
// The same with a code: 0; 21 when the language has no table of the kind;
// or the code of a failed refresh (6, 9), which is not a missing table.
int FindSimulatorTable(ZLHandleRecord& record, int kind, const char* language,
                       CZLRecordset*& table);

// Creates the language's table of a kind with its registry row in one
// transaction (for the package kind the package-change date is stamped
// too): 19 when it exists, 1 when the engine fails (nothing is left).
// exclusive is kept for call and macro tables.
ZLOutcome AddSimulatorTable(ZLHandleRecord& record, int kind, const char* language, int exclusive);

}  // namespace zl

#endif  // ZLDBCTRL70_SIMLANG_SIMTABLE_REGISTRY_H_
