// Deleting a record: each family's own routine removes its rows of the
// record, then the texts and the MAIN row that no family owns.  The
// record's user-defined data (profile sections included) is detached, not
// deleted: callers that want it gone delete it first with
// ZLDeleteUDTRecordByID.
#include "additional_data/data_columns.h"
#include "calls/call_rows.h"
#include "content/record_content.h"
#include "frame/dbinfo.h"
#include "macros/macro_rows.h"
#include "paramsets/paramset_rows.h"
#include "records/udt_rows.h"
#include "records/whole_record.h"
#include "resources/language_texts.h"
#include "schema/zl_recordset.h"
#include "simlang/owner_record.h"
#include "tree/record_routines.h"

namespace zl {
namespace {

// Removes the texts of the resource ID held in field of the record's MAIN
// row from every string table.
int DeleteTexts(ZLHandleRecord& record, long recordID, const char* field) {
  CZLRecordset& main = *record.Recordset(ZLT_MAIN);
  int code = SeekByID(record, main, "MODEL_ID", recordID);
  COleVariant resourceID;
  if (code == ZLE_OK) code = ReadCurrentField(main, field, resourceID);
  if (code == ZLE_NULL_VALUE) return ZLE_OK;
  if (code != ZLE_OK) return code;
  return WriteLanguageTexts(record, resourceID, ZLLanguageTextMap());
}

}  // namespace

int DeleteRecord(ZLHandleRecord& record, long recordID) {
  int code = SeekByID(record, *record.Recordset(ZLT_MAIN), "MODEL_ID", recordID);
  // The sets first: their values are found through the record's nodes.
  if (code == ZLE_OK) code = DeleteRecordParamSets(record, recordID);
  if (code == ZLE_OK) code = DeleteRecordContent(record, recordID);
  if (code == ZLE_OK) {
    code = ForEachSimLanguage(record, ZLS_MACRO, [&](const CString&, CZLRecordset& rs) -> int {
      return WriteMacroSet(record, rs, recordID, CZLMacroArray());
    });
  }
  if (code == ZLE_OK) {
    code = ForEachSimLanguage(record, ZLS_CALL, [&](const CString&, CZLRecordset& rs) -> int {
      return WriteCallSet(rs, recordID, CZLCallArray());
    });
  }
  if (code == ZLE_OK) code = DeleteTexts(record, recordID, "INFO");
  if (code == ZLE_OK) code = DeleteTexts(record, recordID, "TITLE");
  if (code == ZLE_OK) code = DetachUserData(record, recordID);
  if (code != ZLE_OK) return code;
  DeleteRecordAdditionalData(record, recordID);

  CZLRecordset& main = *record.Recordset(ZLT_MAIN);
  code = SeekByID(record, main, "MODEL_ID", recordID);
  if (code != ZLE_OK) return code;
  main.Delete();
  StampLayoutChange(record);
  return ZLE_OK;
}

}  // namespace zl
