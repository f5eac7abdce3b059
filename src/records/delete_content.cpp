// Deleting a record: every content writer is handed an empty list for it,
// then the rows that no writer owns are removed.
#include "calls/call_rows.h"
#include "files/file_rows.h"
#include "frame/dbinfo.h"
#include "keywords/keyword_rows.h"
#include "macros/macro_rows.h"
#include "nodes/node_rows.h"
#include "records/record_content.h"
#include "resources/language_texts.h"
#include "resources/resource_tables.h"
#include "schema/zl_recordset.h"
#include "simlang/owner_record.h"
#include "tree/record_routines.h"

namespace zl {
namespace {

// Removes the texts of the resource ID held in field of MAIN's current row
// from every string table.
int DeleteTexts(ZLHandleRecord& record, CZLRecordset& main, const char* field) {
  COleVariant resourceID;
  const int code = ReadCurrentField(main, field, resourceID);
  if (code == ZLE_NULL_VALUE) return ZLE_OK;
  if (code != ZLE_OK) return code;
  return WriteLanguageTexts(record, resourceID, ZLLanguageTextMap());
}

// Deletes the current row of rs when its key is found on the current index.
void DeleteByKey(CZLRecordset* rs, long recordID) {
  if (rs == nullptr) return;
  COleVariant key(static_cast<int32_t>(recordID));
  if (rs->Seek("=", &key)) rs->Delete();
}

}  // namespace

int DeleteRecordContent(ZLHandleRecord& record, long recordID) {
  CZLRecordset& main = *record.Recordset(ZLT_MAIN);
  int code = SeekByID(record, main, "MODEL_ID", recordID);
  if (code != ZLE_OK) return code;

  CArray<WORD, WORD> languages;
  code = AvailableResourceLanguages(record, languages);
  for (int i = static_cast<int>(languages.GetSize()) - 1; code == ZLE_OK && i >= 0; --i) {
    code = WriteKeywords(record, languages[i], recordID, 0, CZLKeywordArray());
  }
  CZLNodeArray noNodes;
  if (code == ZLE_OK) code = WriteNodes(record, ENodeKind::kConservative, recordID, noNodes);
  if (code == ZLE_OK) code = WriteNodes(record, ENodeKind::kNonConservative, recordID, noNodes);
  if (code == ZLE_OK) code = WriteFiles(record, recordID, CZLFileArray());
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
  for (int i = static_cast<int>(languages.GetSize()) - 1; code == ZLE_OK && i >= 0; --i) {
    code = DeleteSymbol(record, languages[i], recordID);
    if (code == ZLE_NO_RESOURCE_TEXT) code = ZLE_OK;
  }
  if (code != ZLE_OK) return code;

  // The writers moved MAIN's current row; the texts are read from it.
  code = SeekByID(record, main, "MODEL_ID", recordID);
  if (code == ZLE_OK) code = DeleteTexts(record, main, "INFO");
  if (code == ZLE_OK) code = SeekByID(record, main, "MODEL_ID", recordID);
  if (code == ZLE_OK) code = DeleteTexts(record, main, "TITLE");
  if (code != ZLE_OK) return code;

  DeleteByKey(record.Recordset(ZLT_ADDITIONAL_DATA), recordID);
  // The user-defined rows stay, detached from the record: deleting them is
  // ZLDeleteUDTRecordByID's work, which callers do first.
  if (CZLRecordset* udt = record.Recordset(ZLT_UDT_ID)) {
    COleVariant key(static_cast<int32_t>(recordID));
    if (udt->Seek("=", &key)) {
      COleVariant null;
      null.SetNull();
      code = WriteCurrentField(*udt, "MODEL_ID", null);
      if (code != ZLE_OK) return code;
    }
  }
  code = SeekByID(record, main, "MODEL_ID", recordID);
  if (code != ZLE_OK) return code;
  main.Delete();
  StampLayoutChange(record);
  return ZLE_OK;
}

}  // namespace zl
