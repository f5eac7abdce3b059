// The record a per-simulator-language operation works for: the MAIN row
// named by a record ID or a bookmark.
#ifndef ZLDBCTRL70_SIMLANG_OWNER_RECORD_H_
#define ZLDBCTRL70_SIMLANG_OWNER_RECORD_H_

#include "frame/handle_record.h"
#include "tree/row_target.h"

class CZLRecordset;

namespace zl {

// How an operation checks the record it is given.
enum class EOwnerCheck {
  kTrustID,    // a record ID is used as given (reads: no row simply matches)
  kMustExist,  // the record must exist (writes: no rows for a missing record)
};

// The record ID of row (a record ID or a MAIN bookmark; the parameter-set ID
// is ignored).  8 for a bookmark that cannot be set, 11 for an ID no 32-bit
// key can hold or a record that must exist and does not, 9/6 for engine
// failures.
int OwnerRecordID(ZLHandleRecord& record, const ZLRowRef& row, EOwnerCheck check, long& id);

// The open recordset of the simulator language's table of kind
// (ZLSimTableKind), refreshing the registry once when the handle does not
// know it; 21 when there is none (also for a null language).
int FindSimTable(ZLHandleRecord& record, int kind, const char* language, CZLRecordset*& rs);

// The simulator languages that have a table of kind, in the handle's order
// (after a registry refresh).
template <class Visit>
int ForEachSimLanguage(ZLHandleRecord& record, int kind, Visit&& visit);

}  // namespace zl

#include "frame/language_maps.h"
#include "simlang/simtable_registry.h"

namespace zl {

template <class Visit>
int ForEachSimLanguage(ZLHandleRecord& record, int kind, Visit&& visit) {
  const int code = RefreshSimulatorTables(record);
  if (code != 0) return code;
  auto& recordsets = record.languages->simulator[kind].recordsets;
  POSITION pos = recordsets.GetStartPosition();
  while (pos != nullptr) {
    CString language;
    CZLRecordset* rs = nullptr;
    recordsets.GetNextAssoc(pos, language, rs);
    const int visited = visit(language, *rs);
    if (visited != 0) return visited;
  }
  return 0;
}

}  // namespace zl

#endif  // ZLDBCTRL70_SIMLANG_OWNER_RECORD_H_
