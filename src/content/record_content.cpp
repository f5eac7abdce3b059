#include "content/record_content.h"

#include "content/row_patterns.h"
#include "frame/transaction.h"
#include "keywords/keyword_rows.h"
#include "nodes/node_rows.h"
#include "resources/language_texts.h"
#include "schema/zl_recordset.h"

namespace zl {

int DeleteRecordContent(ZLHandleRecord& record, long recordID) {
  if (!FitsID(recordID)) return ZLE_OK;  // no row can belong to it
  CTransaction transaction;
  int code = ForEachResourceTable(record, ZLR_KEYWORDID, [&](WORD language, CZLRecordset&) {
    return DeleteKeywordLinks(record, language, recordID);
  });
  if (code == ZLE_OK) {
    code = ForEachResourceTable(record, ZLR_SYMBOLS, [&](WORD language, CZLRecordset&) {
      const int deleted = DeleteSymbol(record, language, recordID);
      return deleted == ZLE_NO_RESOURCE_TEXT ? ZLE_OK : deleted;
    });
  }
  for (ENodeKind kind : {ENodeKind::kConservative, ENodeKind::kNonConservative}) {
    CZLNodeArray none;
    if (code == ZLE_OK) code = WriteNodes(record, kind, recordID, none);
  }
  if (code != ZLE_OK) return code;
  OverwriteInPlace(*record.recordsets[ZLT_FILES], "MODEL_ID", recordID, 0,
                   [](size_t, CRowWrite&) {});
  transaction.Commit();
  return ZLE_OK;
}

}  // namespace zl
