// The exported tolerance and stress operations, one line each over two
// templates shared by both families.
#include <vector>

#include "frame/guard.h"
#include "paramsets/paramset_rows.h"
#include "simlang/owner_record.h"
#include "tolerances/limit_rows.h"
#include "zldbctrl70/paramsets.h"

using namespace zl;

namespace {

template <class T>
int GetLimits(void* hDB, const ZLRowRef& row, CTypedPtrArray<CObArray, T*>& objects, long setID) {
  return RunGuardedRead(hDB, [&](ZLHandleRecord& record) {
    ZLFreeObjectArray(objects);
    int code = ZLE_OK;
    try {
      long id = 0;
      code = OwnerRecordID(record, row, EOwnerCheck::kTrustID, id);
      if (code == ZLE_OK) code = ReadLimits(record, id, setID, objects);
    } catch (...) {
      ZLFreeObjectArray(objects);
      throw;
    }
    if (code != ZLE_OK) ZLFreeObjectArray(objects);
    return ZLOutcome::FromCode(code);
  });
}

template <class T>
long& LimitID(T& object);
template <>
long& LimitID(CZLToleranceObject& object) {
  return object.m_lToleranceID;
}
template <>
long& LimitID(CZLStressObject& object) {
  return object.m_lQualityID;
}

template <class T>
int SetLimits(void* hDB, const ZLRowRef& row, CTypedPtrArray<CObArray, T*>& objects, long setID) {
  // New IDs stay in the caller's objects only when the write is kept.
  std::vector<long> before;
  for (int i = 0; i < objects.GetSize(); ++i) {
    before.push_back(objects[i] != nullptr ? LimitID(*objects[i]) : 0);
  }
  const int result = RunGuarded(hDB, [&](ZLHandleRecord& record) {
    long id = 0;
    int code = OwnerRecordID(record, row, EOwnerCheck::kMustExist, id);
    if (code == ZLE_OK && setID != 0) code = CheckParamSetOfRecord(record, id, setID);
    if (code == ZLE_OK) code = WriteLimits(record, id, setID, objects);
    return ZLOutcome::FromCode(code);
  });
  if (result == 0) {
    for (int i = 0; i < objects.GetSize() && static_cast<size_t>(i) < before.size(); ++i) {
      if (objects[i] != nullptr) LimitID(*objects[i]) = before[i];
    }
  }
  return result;
}

}  // namespace

int ZLGetTolerancesByID(void* hDB, long lID, CZLToleranceArray& tolerances, long lParamSetID) {
  return GetLimits(hDB, RecordByID(lID), tolerances, lParamSetID);
}
int ZLGetTolerancesByBookmark(void* hDB, const COleVariant& bookmark, CZLToleranceArray& tolerances,
                              long lParamSetID) {
  return GetLimits(hDB, RecordByBookmark(bookmark), tolerances, lParamSetID);
}
int ZLSetTolerancesByID(void* hDB, long lID, CZLToleranceArray& tolerances, long lParamSetID) {
  return SetLimits(hDB, RecordByID(lID), tolerances, lParamSetID);
}
int ZLSetTolerancesByBookmark(void* hDB, const COleVariant& bookmark, CZLToleranceArray& tolerances,
                              long lParamSetID) {
  return SetLimits(hDB, RecordByBookmark(bookmark), tolerances, lParamSetID);
}
int ZLGetStressByID(void* hDB, long lID, CZLStressArray& stresses, long lParamSetID) {
  return GetLimits(hDB, RecordByID(lID), stresses, lParamSetID);
}
int ZLGetStressByBookmark(void* hDB, const COleVariant& bookmark, CZLStressArray& stresses,
                          long lParamSetID) {
  return GetLimits(hDB, RecordByBookmark(bookmark), stresses, lParamSetID);
}
int ZLSetStressByID(void* hDB, long lID, CZLStressArray& stresses, long lParamSetID) {
  return SetLimits(hDB, RecordByID(lID), stresses, lParamSetID);
}
int ZLSetStressByBookmark(void* hDB, const COleVariant& bookmark, CZLStressArray& stresses,
                          long lParamSetID) {
  return SetLimits(hDB, RecordByBookmark(bookmark), stresses, lParamSetID);
}
