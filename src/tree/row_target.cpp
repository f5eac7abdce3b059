#include "tree/row_target.h"

#include "frame/dbinfo.h"
#include "frame/guard.h"
#include "schema/zl_recordset.h"
#include "tree/record_routines.h"

namespace zl {
namespace {

constexpr const char kModelID[] = "MODEL_ID";
constexpr const char kParamID[] = "PARAM_ID";

// The parameter-set recordset; null for a database whose layout predates
// parameter sets, where no parameter-set row can exist.
CZLRecordset* ParamSets(ZLHandleRecord& record) { return record.recordsets[ZLT_PARAMSET]; }
CZLRecordset& Main(ZLHandleRecord& record) { return *record.recordsets[ZLT_MAIN]; }

}  // namespace

int ReadRowField(ZLHandleRecord& record, const ZLRowRef& row, const char* field,
                 COleVariant& value) {
  CZLRecordset* rs = nullptr;
  const int code = PositionRow(record, row, true, rs);
  return code != ZLE_OK ? code : ReadCurrentField(*rs, field, value);
}

int WriteRowField(ZLHandleRecord& record, const ZLRowRef& row, const char* field,
                  const COleVariant& value) {
  CZLRecordset* rs = nullptr;
  const int code = PositionRow(record, row, false, rs);
  return code != ZLE_OK ? code : WriteCurrentField(*rs, field, value);
}

int ReadRowText(ZLHandleRecord& record, const ZLRowRef& row, const char* resourceField,
                WORD language, COleVariant& text) {
  CZLRecordset* rs = nullptr;
  const int code = PositionRow(record, row, true, rs);
  return code != ZLE_OK ? code : ReadCurrentText(record, *rs, language, resourceField, text);
}

int WriteRowText(ZLHandleRecord& record, const ZLRowRef& row, const char* resourceField,
                 WORD language, const COleVariant& text) {
  CZLRecordset* rs = nullptr;
  const int code = PositionRow(record, row, false, rs);
  return code != ZLE_OK ? code : WriteCurrentText(record, *rs, language, resourceField, text);
}

int PositionRow(ZLHandleRecord& record, const ZLRowRef& row, bool forReading, CZLRecordset*& rs) {
  rs = nullptr;
  int code = ZLE_OK;
  if (row.paramSetID != 0) {
    CZLRecordset* paramSets = ParamSets(record);
    if (paramSets == nullptr) return ZLE_NO_RECORD;
    code = SeekByID(record, *paramSets, kParamID, row.paramSetID);
    if (code == ZLE_OK) rs = paramSets;
    return code;
  }
  if (row.bookmark != nullptr) {
    if (forReading) {
      code = CatchEngineErrors([&]() {
        RefreshUnlessSnapshot(record);
        return ZLE_OK;
      });
    }
    if (code == ZLE_OK) code = SeekByBookmark(record, *row.bookmark);
  } else {
    code = SeekByID(record, Main(record), kModelID, row.recordID);
  }
  if (code == ZLE_OK) rs = &Main(record);
  return code;
}

}  // namespace zl
