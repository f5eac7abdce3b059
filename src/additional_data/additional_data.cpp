// The exported additional-data operations.
#include "zldbctrl70/additional_data.h"

#include "additional_data/data_columns.h"
#include "frame/dbinfo.h"
#include "frame/guard.h"
#include "schema/zl_recordset.h"
#include "simlang/owner_record.h"

using namespace zl;

namespace {

bool HasTables(const ZLHandleRecord& record) {
  return record.recordsets[ZLT_ADDITIONAL_DATA_INFO] != nullptr &&
         record.recordsets[ZLT_ADDITIONAL_DATA] != nullptr;
}

// Runs body(record) for a database that has the additional-data tables
// (9 otherwise), after a cache refresh unless in snapshot mode.
template <class Body>
int RunOnData(EAccess access, void* hDB, Body&& body) {
  return RunGuardedAs(access, hDB, [&](ZLHandleRecord& record) {
    if (!HasTables(record)) return ZLOutcome::Fail(ZLE_ENGINE);
    RefreshUnlessSnapshot(record);
    return ZLOutcome::FromCode(body(record));
  });
}

int GetValue(void* hDB, const ZLRowRef& row, const char* name, COleVariant& value) {
  return RunOnData(EAccess::kRead, hDB, [&](ZLHandleRecord& record) {
    long id = 0;
    const int code = OwnerRecordID(record, row, EOwnerCheck::kTrustID, id);
    return code != ZLE_OK ? code : ReadColumnValue(record, id, name, value);
  });
}

int SetValue(void* hDB, const ZLRowRef& row, const char* name, const COleVariant& value) {
  return RunOnData(EAccess::kWrite, hDB, [&](ZLHandleRecord& record) {
    long id = 0;
    const int code = OwnerRecordID(record, row, EOwnerCheck::kMustExist, id);
    return code != ZLE_OK ? code : WriteColumnValue(record, id, name, value);
  });
}

}  // namespace

int ZLIsAdditionalDataAvailable(void* hDB) {
  return RunGuardedRead(hDB, [&](ZLHandleRecord& record) {
    if (!HasTables(record)) return ZLOutcome::Fail(ZLE_OK);
    RefreshUnlessSnapshot(record);
    const bool any = record.recordsets[ZLT_ADDITIONAL_DATA_INFO]->GetRecordCount() > 0;
    return any ? ZLOutcome::Ok() : ZLOutcome::Fail(ZLE_OK);
  });
}

int ZLGetAdditionalDataInfo(void* hDB, CZLAdditionalDataInfoArray& infos) {
  return RunOnData(EAccess::kRead, hDB, [&](ZLHandleRecord& record) {
    ZLFreeObjectArray(infos);
    try {
      const int code = ReadColumnInfos(record, infos);
      if (code != ZLE_OK) ZLFreeObjectArray(infos);
      return code;
    } catch (...) {
      ZLFreeObjectArray(infos);
      throw;
    }
  });
}

int ZLGetAdditionalDataInfo(void* hDB, CZLAdditionalDataInfoObject& info) {
  return RunOnData(EAccess::kRead, hDB,
                   [&](ZLHandleRecord& record) { return ReadColumnInfo(record, info); });
}

int ZLSetAdditionalDataInfo(void* hDB, const CZLAdditionalDataInfoArray& infos) {
  return RunOnData(EAccess::kWrite, hDB, [&](ZLHandleRecord& record) {
    for (int i = infos.GetSize() - 1; i >= 0; --i) {
      if (infos[i] == nullptr) continue;
      const int code = WriteColumnInfo(record, *infos[i]);
      if (code != ZLE_OK) return code;
    }
    return static_cast<int>(ZLE_OK);
  });
}

int ZLSetAdditionalDataInfo(void* hDB, const CZLAdditionalDataInfoObject& info) {
  return RunOnData(EAccess::kWrite, hDB,
                   [&](ZLHandleRecord& record) { return WriteColumnInfo(record, info); });
}

int ZLCreateAdditionalDataInfo(void* hDB, const CZLAdditionalDataInfoObject& info) {
  return RunOnData(EAccess::kWrite, hDB,
                   [&](ZLHandleRecord& record) { return CreateColumn(record, info); });
}

int ZLDeleteAdditionalDataInfo(void* hDB, const CZLAdditionalDataInfoObject& info) {
  return RunOnData(EAccess::kWrite, hDB, [&](ZLHandleRecord& record) {
    return DeleteColumn(record, info.m_strDataName);
  });
}

int ZLGetAdditionalDataByID(void* hDB, long lID, const char* lpszDataName, COleVariant& value) {
  return GetValue(hDB, ZLRowRef::ByID(lID), lpszDataName, value);
}
int ZLGetAdditionalDataByBookmark(void* hDB, const COleVariant& bookmark, const char* lpszDataName,
                                  COleVariant& value) {
  return GetValue(hDB, ZLRowRef::ByBookmark(bookmark), lpszDataName, value);
}
int ZLSetAdditionalDataByID(void* hDB, long lID, const char* lpszDataName, COleVariant& value) {
  return SetValue(hDB, ZLRowRef::ByID(lID), lpszDataName, value);
}
int ZLSetAdditionalDataByBookmark(void* hDB, const COleVariant& bookmark, const char* lpszDataName,
                                  COleVariant& value) {
  return SetValue(hDB, ZLRowRef::ByBookmark(bookmark), lpszDataName, value);
}
