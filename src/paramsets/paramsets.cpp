// The exported parameter-set operations: the sets of a record and their
// chain links.
#include "zldbctrl70/paramsets.h"

#include <vector>

#include "frame/caller_numbers.h"
#include "frame/dbinfo.h"
#include "frame/guard.h"
#include "paramsets/paramset_rows.h"
#include "simlang/owner_record.h"
#include "tree/row_target.h"

using namespace zl;

namespace {

ZLRowRef Set(long paramSetID) { return ZLRowRef::ByID(0, paramSetID); }

int GetAll(void* hDB, const ZLRowRef& row, CArray<long, long>& paramSets) {
  return RunGuardedRead(hDB, [&](ZLHandleRecord& record) {
    paramSets.RemoveAll();
    long id = 0;
    std::vector<long> ids;
    int code = OwnerRecordID(record, row, EOwnerCheck::kTrustID, id);
    if (code == ZLE_OK) code = CollectParamSets(record, id, ids);
    if (code != ZLE_OK) return ZLOutcome::Fail(code);
    for (long set : ids) paramSets.Add(set);
    return ZLOutcome::Ok();
  });
}

// 1 with the first set, or 0 with last error 0 when the record has none.
int GetFirst(void* hDB, const ZLRowRef& row, long& first) {
  first = 0;
  return RunGuardedRead(hDB, [&](ZLHandleRecord& record) {
    long id = 0;
    int code = OwnerRecordID(record, row, EOwnerCheck::kTrustID, id);
    if (code == ZLE_OK) code = FindFirstParamSet(record, id, first);
    if (code != ZLE_OK) return ZLOutcome::Fail(code);
    return first != 0 ? ZLOutcome::Ok() : ZLOutcome::Fail(ZLE_OK);
  });
}

// An empty link reads as 0.
int GetLink(void* hDB, long paramSetID, const char* field, long& neighbour) {
  neighbour = 0;
  return RunGuardedRead(hDB, [&](ZLHandleRecord& record) {
    COleVariant value;
    const int code = ReadRowField(record, Set(paramSetID), field, value);
    if (code == ZLE_NULL_VALUE) return ZLOutcome::Ok();
    if (code == ZLE_OK && value.vt == VT_I4) neighbour = value.lVal;
    return ZLOutcome::FromCode(code);
  });
}

int SetLink(void* hDB, long paramSetID, const char* field, long neighbour) {
  return RunGuarded(hDB, [&](ZLHandleRecord& record) {
    COleVariant value;
    value.SetNull();
    int code = ZLE_OK;
    if (neighbour != 0) code = StoredNumber(neighbour, value);
    if (code == ZLE_OK) code = Set(paramSetID).CheckKeys();
    if (code == ZLE_OK) code = WriteRowField(record, Set(paramSetID), field, value);
    if (code == ZLE_OK) StampLayoutChange(record);
    return ZLOutcome::FromCode(code);
  });
}

}  // namespace

int ZLCreateNewParamSet(void* hDB, long lID, long& lNewID) {
  long created = 0;
  const int result = RunGuarded(hDB, [&](ZLHandleRecord& record) {
    return ZLOutcome::FromCode(CreateParamSet(record, lID, created));
  });
  // The new ID is handed out only when the set was kept.
  lNewID = result != 0 ? created : 0;
  return result;
}

int ZLDeleteParamSetByParamID(void* hDB, long lID, long lParamSetID) {
  return RunGuarded(hDB, [&](ZLHandleRecord& record) {
    return ZLOutcome::FromCode(DeleteParamSet(record, lID, lParamSetID));
  });
}

int ZLGetAllParamSetByID(void* hDB, long lID, CArray<long, long>& paramSets) {
  return GetAll(hDB, RecordByID(lID), paramSets);
}
int ZLGetAllParamSetByBookmark(void* hDB, const COleVariant& bookmark,
                               CArray<long, long>& paramSets) {
  return GetAll(hDB, RecordByBookmark(bookmark), paramSets);
}
int ZLGetFirstParamSetByID(void* hDB, long lID, long& lFirst) {
  return GetFirst(hDB, RecordByID(lID), lFirst);
}
int ZLGetFirstParamSetByBookmark(void* hDB, const COleVariant& bookmark, long& lFirst) {
  return GetFirst(hDB, RecordByBookmark(bookmark), lFirst);
}
int ZLGetPrevParamSetByParamID(void* hDB, long lParamSetID, long& lPrev) {
  return GetLink(hDB, lParamSetID, "PREV", lPrev);
}
int ZLGetNextParamSetByParamID(void* hDB, long lParamSetID, long& lNext) {
  return GetLink(hDB, lParamSetID, "NEXT", lNext);
}
int ZLSetPrevParamSetByParamID(void* hDB, long lParamSetID, long lPrev) {
  return SetLink(hDB, lParamSetID, "PREV", lPrev);
}
int ZLSetNextParamSetByParamID(void* hDB, long lParamSetID, long lNext) {
  return SetLink(hDB, lParamSetID, "NEXT", lNext);
}
