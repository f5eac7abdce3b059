#include "simlang/owner_record.h"

#include "content/row_patterns.h"
#include "frame/guard.h"
#include "schema/zl_recordset.h"
#include "tree/record_routines.h"
#include "tree/row_target.h"

namespace zl {

int OwnerRecordID(ZLHandleRecord& record, const ZLRowRef& row, EOwnerCheck check, long& id) {
  CZLRecordset& main = *record.recordsets[ZLT_MAIN];
  if (row.bookmark != nullptr) {
    const int code = SeekByBookmark(record, *row.bookmark);
    if (code != ZLE_OK) return code;
    return CatchEngineErrors([&]() {
      id = main.GetFieldValue("MODEL_ID").lVal;
      return ZLE_OK;
    });
  }
  id = row.recordID;
  if (!FitsID(id)) return ZLE_NO_RECORD;
  if (check == EOwnerCheck::kTrustID) return ZLE_OK;
  return SeekByID(record, main, "MODEL_ID", id);
}

int FindSimTable(ZLHandleRecord& record, int kind, const char* language, CZLRecordset*& rs) {
  rs = nullptr;
  return language == nullptr ? ZLE_NO_SIMTABLE_KIND
                             : FindSimulatorTable(record, kind, language, rs);
}

}  // namespace zl
