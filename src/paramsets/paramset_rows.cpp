#include "paramsets/paramset_rows.h"

#include "content/row_patterns.h"
#include "frame/dbinfo.h"
#include "frame/transaction.h"
#include "keywords/keyword_rows.h"
#include "resources/language_texts.h"
#include "schema/zl_recordset.h"
#include "tolerances/limit_rows.h"
#include "tree/record_routines.h"
#include "zldbctrl70/errors.h"

namespace zl {
namespace {

constexpr const char kModelID[] = "MODEL_ID";
constexpr const char kParamID[] = "PARAM_ID";
constexpr const char kModelIndex[] = "MODEL_ID_INDEX";

long Number(const COleVariant& value) { return value.vt == VT_I4 ? value.lVal : 0; }

bool IsNull(const COleVariant& value) { return value.vt == VT_NULL || value.vt == VT_EMPTY; }

// Deletes the PARAMVALUE rows of the set for every node of one node table
// of the record.  Node rows are never touched.
void DeleteNodeValues(ZLHandleRecord& record, ZLFixedTable table, long recordID, long paramSetID) {
  CZLRecordset* nodes = record.recordsets[table];
  CZLRecordset* values = record.recordsets[ZLT_PARAMVALUE];
  if (nodes == nullptr || values == nullptr) return;
  std::vector<long> ids;
  ForEachOwnedRow(*nodes, kModelID, recordID, [&](CZLRecordset& row) {
    ids.push_back(Number(row.GetFieldValue("NODE_ID")));
    return true;
  });
  const COleVariant type(static_cast<int32_t>(table == ZLT_NODE_NC ? 1 : 0));
  for (long id : ids) DeleteRowByKey(*values, {IDKey(id), IDKey(paramSetID), type});
}

// Deletes the set's texts in every language; the set row is current.
int DeleteSetTexts(ZLHandleRecord& record, CZLRecordset& sets) {
  for (const char* field : {"INFO", "TITLE"}) {
    const COleVariant resourceID = sets.GetFieldValue(field);
    if (IsNull(resourceID)) continue;
    const int code = ForEachResourceTable(record, ZLR_STRINGTAB, [&](WORD, CZLRecordset& rs) {
      DeleteRowByKey(rs, {resourceID});
      return ZLE_OK;
    });
    if (code != ZLE_OK) return code;
  }
  return ZLE_OK;
}

}  // namespace

int CollectParamSets(ZLHandleRecord& record, long recordID, std::vector<long>& ids) {
  ids.clear();
  if (!FitsID(recordID)) return ZLE_NO_RECORD;
  CZLRecordset* sets = record.recordsets[ZLT_PARAMSET];
  if (sets == nullptr) return ZLE_OK;
  RefreshUnlessSnapshot(record);
  CIndexSwitch byRecord(*sets, kModelIndex);
  ForEachOwnedRow(*sets, kModelID, recordID, [&](CZLRecordset& row) {
    const long id = Number(row.GetFieldValue(kParamID));
    if (id != 0) ids.push_back(id);
    return true;
  });
  return ZLE_OK;
}

int FindFirstParamSet(ZLHandleRecord& record, long recordID, long& first) {
  first = 0;
  if (!FitsID(recordID)) return ZLE_NO_RECORD;
  CZLRecordset* sets = record.recordsets[ZLT_PARAMSET];
  if (sets == nullptr) return ZLE_OK;
  RefreshUnlessSnapshot(record);
  CIndexSwitch byRecord(*sets, kModelIndex);
  ForEachOwnedRow(*sets, kModelID, recordID, [&](CZLRecordset& row) {
    const long id = Number(row.GetFieldValue(kParamID));
    if (id == 0 || !IsNull(row.GetFieldValue("PREV"))) return true;
    first = id;
    return false;
  });
  return ZLE_OK;
}

int CreateParamSet(ZLHandleRecord& record, long recordID, long& newID) {
  newID = 0;
  CZLRecordset* sets = record.recordsets[ZLT_PARAMSET];
  if (sets == nullptr) return ZLE_ENGINE;
  const int code = SeekByID(record, *record.recordsets[ZLT_MAIN], kModelID, recordID);
  if (code != ZLE_OK) return code;
  {
    CRowWrite row(*sets, CRowWrite::kAddNew);
    row.Set(kModelID, IDKey(recordID));
    row.Update();
  }
  sets->SetBookmark(sets->GetLastModifiedBookmark());
  newID = Number(sets->GetFieldValue(kParamID));
  StampLayoutChange(record);
  return ZLE_OK;
}

int CheckParamSetOfRecord(ZLHandleRecord& record, long recordID, long paramSetID) {
  CZLRecordset* sets = record.recordsets[ZLT_PARAMSET];
  if (sets == nullptr || paramSetID == 0) return ZLE_NO_RECORD;
  const int code = SeekByID(record, *sets, kParamID, paramSetID);
  if (code != ZLE_OK) return code;
  return Number(sets->GetFieldValue(kModelID)) == recordID ? ZLE_OK : ZLE_NO_RECORD;
}

int DeleteParamSetValues(ZLHandleRecord& record, long recordID, long paramSetID) {
  CTransaction transaction;
  // An empty keyword list for the set removes its links in every language.
  CZLKeywordArray none;
  int code = ForEachResourceTable(record, ZLR_KEYWORD, [&](WORD language, CZLRecordset&) {
    return WriteKeywords(record, language, recordID, paramSetID, none);
  });
  if (code != ZLE_OK) return code;
  // The set's values are removed row by row: handing the node writer an
  // empty list would delete the record's nodes.
  DeleteNodeValues(record, ZLT_NODE_NC, recordID, paramSetID);
  DeleteNodeValues(record, ZLT_NODE_C, recordID, paramSetID);
  DeleteLimitSetValues(record, recordID, paramSetID);
  transaction.Commit();
  return ZLE_OK;
}

int DeleteParamSet(ZLHandleRecord& record, long recordID, long paramSetID) {
  int code = CheckParamSetOfRecord(record, recordID, paramSetID);
  if (code != ZLE_OK) return code;
  CTransaction transaction;
  code = DeleteParamSetValues(record, recordID, paramSetID);
  if (code != ZLE_OK) return code;
  CZLRecordset& sets = *record.recordsets[ZLT_PARAMSET];
  if (!SeekID(sets, paramSetID)) return ZLE_NO_RECORD;
  code = DeleteSetTexts(record, sets);
  if (code != ZLE_OK) return code;
  if (!SeekID(sets, paramSetID)) return ZLE_NO_RECORD;
  sets.Delete();
  StampLayoutChange(record);
  transaction.Commit();
  return ZLE_OK;
}

int DeleteRecordParamSets(ZLHandleRecord& record, long recordID) {
  std::vector<long> ids;
  int code = CollectParamSets(record, recordID, ids);
  if (code != ZLE_OK) return code;
  CTransaction transaction;
  for (long id : ids) {
    code = DeleteParamSet(record, recordID, id);
    if (code != ZLE_OK) return code;
  }
  DeleteRecordLimits(record, recordID);
  transaction.Commit();
  return ZLE_OK;
}

}  // namespace zl
