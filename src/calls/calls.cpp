// The exported call-line operations, one line each over the templates below.
#include "zldbctrl70/calls.h"

#include "calls/call_rows.h"
#include "frame/caller_numbers.h"
#include "frame/dbinfo.h"
#include "frame/guard.h"
#include "frame/transaction.h"
#include "simlang/owner_record.h"

using namespace zl;

namespace {

int GetCall(void* hDB, const ZLRowRef& row, const char* language, const char* key,
            unsigned long level, CZLCallObject& call) {
  return RunGuardedRead(hDB, [&](ZLHandleRecord& record) {
    call.FreeObject();
    RefreshUnlessSnapshot(record);
    long id = 0;
    COleVariant mask;
    int code = StoredNumber(level, mask);
    if (code == ZLE_OK) code = OwnerRecordID(record, row, EOwnerCheck::kTrustID, id);
    CZLRecordset* rs = nullptr;
    if (code == ZLE_OK) code = FindSimTable(record, ZLS_CALL, language, rs);
    if (code == ZLE_OK) code = SelectCallRow(*rs, id, key, static_cast<DWORD>(level));
    if (code != ZLE_OK) return ZLOutcome::Fail(code);
    ReadCallRow(*rs, call);
    call.m_strCallKey = key != nullptr ? key : "";
    return ZLOutcome::Ok();
  });
}

int GetCalls(void* hDB, const ZLRowRef& row, CZLCallMap& calls) {
  return RunGuardedRead(hDB, [&](ZLHandleRecord& record) {
    ZLFreeCallMap(calls);
    int code = ZLE_OK;
    try {
      RefreshUnlessSnapshot(record);
      long id = 0;
      code = OwnerRecordID(record, row, EOwnerCheck::kTrustID, id);
      if (code == ZLE_OK) {
        code = ForEachSimLanguage(record, ZLS_CALL, [&](const CString& language, CZLRecordset& rs) {
          auto* array = new CZLCallArray;
          calls[language] = array;
          ReadCallRows(rs, id, *array);
          return ZLE_OK;
        });
      }
    } catch (...) {
      ZLFreeCallMap(calls);
      throw;
    }
    if (code != ZLE_OK) ZLFreeCallMap(calls);
    return ZLOutcome::FromCode(code);
  });
}

int SetCall(void* hDB, const ZLRowRef& row, const char* language, const CZLCallObject& call) {
  return RunGuarded(hDB, [&](ZLHandleRecord& record) {
    long id = 0;
    int code = OwnerRecordID(record, row, EOwnerCheck::kMustExist, id);
    CZLRecordset* rs = nullptr;
    if (code == ZLE_OK) code = FindSimTable(record, ZLS_CALL, language, rs);
    long callID = call.m_lCallID;
    if (code == ZLE_OK) code = WriteCallRow(*rs, id, call, callID);
    return ZLOutcome::FromCode(code);
  });
}

int SetCalls(void* hDB, const ZLRowRef& row, const CZLCallMap& calls) {
  return RunGuarded(hDB, [&](ZLHandleRecord& record) {
    long id = 0;
    int code = OwnerRecordID(record, row, EOwnerCheck::kMustExist, id);
    if (code != ZLE_OK) return ZLOutcome::Fail(code);
    CTransaction transaction;
    POSITION pos = calls.GetStartPosition();
    while (pos != nullptr) {
      CString language;
      CZLCallArray* array = nullptr;
      calls.GetNextAssoc(pos, language, array);
      CZLRecordset* rs = nullptr;
      code = FindSimTable(record, ZLS_CALL, language, rs);
      if (code == ZLE_OK && array != nullptr) code = WriteCallSet(*rs, id, *array);
      if (code != ZLE_OK) return ZLOutcome::Fail(code);
    }
    transaction.Commit();
    return ZLOutcome::Ok();
  });
}

}  // namespace

int ZLGetCallByID(void* hDB, long lID, const char* lang, const char* key, unsigned long level,
                  CZLCallObject& call) {
  return GetCall(hDB, RecordByID(lID), lang, key, level, call);
}
int ZLGetCallByBookmark(void* hDB, const COleVariant& bm, const char* lang, const char* key,
                        unsigned long level, CZLCallObject& call) {
  return GetCall(hDB, RecordByBookmark(bm), lang, key, level, call);
}
int ZLGetCallsByID(void* hDB, long lID, CZLCallMap& calls) {
  return GetCalls(hDB, RecordByID(lID), calls);
}
int ZLGetCallsByBookmark(void* hDB, const COleVariant& bm, CZLCallMap& calls) {
  return GetCalls(hDB, RecordByBookmark(bm), calls);
}
int ZLSetCallByID(void* hDB, long lID, const char* lang, const CZLCallObject& call) {
  return SetCall(hDB, RecordByID(lID), lang, call);
}
int ZLSetCallByBookmark(void* hDB, const COleVariant& bm, const char* lang,
                        const CZLCallObject& call) {
  return SetCall(hDB, RecordByBookmark(bm), lang, call);
}
int ZLSetCallsByID(void* hDB, long lID, const CZLCallMap& calls) {
  return SetCalls(hDB, RecordByID(lID), calls);
}
int ZLSetCallsByBookmark(void* hDB, const COleVariant& bm, const CZLCallMap& calls) {
  return SetCalls(hDB, RecordByBookmark(bm), calls);
}
