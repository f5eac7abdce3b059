// The exported file operations over the overwrite-in-place pattern.
#include "zldbctrl70/files.h"

#include <memory>
#include <vector>

#include "content/row_patterns.h"
#include "files/file_rows.h"
#include "frame/caller_numbers.h"
#include "frame/guard.h"
#include "frame/stored_text.h"
#include "schema/zl_recordset.h"
#include "simlang/owner_record.h"

using namespace zl;

namespace {

constexpr const char kModelID[] = "MODEL_ID";
constexpr DWORD kMaxFileType = 0xFF;

long Number(const COleVariant& value) {
  if (value.vt == VT_I4) return value.lVal;
  if (value.vt == VT_I2) return value.iVal;
  if (value.vt == VT_UI1) return value.bVal;
  return 0;
}

void ReadFileRow(CZLRecordset& rs, CZLFileObject& file) {
  file.m_lFileID = Number(rs.GetFieldValue("FILE_ID"));
  const COleVariant name = rs.GetFieldValue("FILE_NAME");
  if (name.vt == VT_BSTR) file.m_strFileName = name.GetStringValue();
  file.m_dwType = static_cast<DWORD>(Number(rs.GetFieldValue("TYPE")));
  file.m_dwLanguage = static_cast<DWORD>(Number(rs.GetFieldValue("LANGID")));
  const COleVariant access = rs.GetFieldValue("ACCESS");
  file.m_bAccessSet = access.vt != VT_NULL && access.vt != VT_EMPTY;
  file.m_lAccess = file.m_bAccessSet ? Number(access) : 0;
  CopyBinary(rs.GetFieldValue("FILE_DATA"), file.m_lbData);
}

// The values of one row but its data, or 9 when a number does not fit its
// column.
int FileValues(const CZLFileObject& file, ZLFieldValues& values) {
  COleVariant access;
  access.SetNull();
  if (file.m_bAccessSet && StoredNumber(file.m_lAccess, access) != ZLE_OK) return ZLE_ENGINE;
  if (file.m_dwType > kMaxFileType) return ZLE_ENGINE;
  COleVariant language;
  if (StoredNumber(static_cast<unsigned long>(file.m_dwLanguage), language) != ZLE_OK) {
    return ZLE_ENGINE;
  }
  values = {{"FILE_NAME", COleVariant(file.m_strFileName)},
            {"TYPE", COleVariant(static_cast<BYTE>(file.m_dwType))},
            {"LANGID", language},
            {"ACCESS", access}};
  return ZLE_OK;
}

int GetFiles(void* hDB, const ZLRowRef& row, CZLFileArray& files) {
  return RunGuardedRead(hDB, [&](ZLHandleRecord& record) {
    ZLFreeObjectArray(files);
    int code = ZLE_OK;
    try {
      long id = 0;
      code = OwnerRecordID(record, row, EOwnerCheck::kTrustID, id);
      if (code == ZLE_OK) code = ReadFiles(record, id, files);
    } catch (...) {
      ZLFreeObjectArray(files);
      throw;
    }
    if (code != ZLE_OK) ZLFreeObjectArray(files);
    return ZLOutcome::FromCode(code);
  });
}

int SetFiles(void* hDB, const ZLRowRef& row, const CZLFileArray& files) {
  return RunGuarded(hDB, [&](ZLHandleRecord& record) {
    long id = 0;
    int code = OwnerRecordID(record, row, EOwnerCheck::kMustExist, id);
    if (code == ZLE_OK) code = WriteFiles(record, id, files);
    return ZLOutcome::FromCode(code);
  });
}

}  // namespace

namespace zl {

int ReadFiles(ZLHandleRecord& record, long recordID, CZLFileArray& files) {
  ForEachOwnedRow(*record.recordsets[ZLT_FILES], kModelID, recordID, [&](CZLRecordset& rs) {
    std::unique_ptr<CZLFileObject> file(new CZLFileObject);
    ReadFileRow(rs, *file);
    files.Add(file.get());
    file.release();
    return true;
  });
  return ZLE_OK;
}

int WriteFiles(ZLHandleRecord& record, long recordID, const CZLFileArray& files) {
  std::vector<const CZLFileObject*> objects;
  for (int i = 0; i < files.GetSize(); ++i) {
    if (files[i] == nullptr) continue;
    ZLFieldValues values;
    const int code = FileValues(*files[i], values);  // checked before anything is written
    if (code != ZLE_OK) return code;
    objects.push_back(files[i]);
  }
  OverwriteInPlace(*record.recordsets[ZLT_FILES], kModelID, recordID, objects.size(),
                   [&](size_t i, CRowWrite& write) {
                     ZLFieldValues values;
                     FileValues(*objects[i], values);
                     for (const auto& value : values) write.Set(value.first, value.second);
                     // The caller's block goes to SQLite as it is: a large
                     // file is held once more only while SQLite builds the row.
                     write.SetBinary("FILE_DATA", objects[i]->m_lbData);
                   });
  return ZLE_OK;
}

}  // namespace zl

int ZLGetFilesByID(void* hDB, long lID, CZLFileArray& files) {
  return GetFiles(hDB, RecordByID(lID), files);
}
int ZLGetFilesByBookmark(void* hDB, const COleVariant& bm, CZLFileArray& files) {
  return GetFiles(hDB, RecordByBookmark(bm), files);
}
int ZLSetFilesByID(void* hDB, long lID, const CZLFileArray& files) {
  return SetFiles(hDB, RecordByID(lID), files);
}
int ZLSetFilesByBookmark(void* hDB, const COleVariant& bm, const CZLFileArray& files) {
  return SetFiles(hDB, RecordByBookmark(bm), files);
}
