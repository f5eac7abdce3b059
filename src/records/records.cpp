// The exported deletion and copy of whole records: thin bodies over the
// routines of records/whole_record.h and records/udt_rows.h.
#include "frame/caller_numbers.h"
#include "frame/guard.h"
#include "records/udt_rows.h"
#include "records/whole_record.h"
#include "schema/zl_recordset.h"
#include "simlang/owner_record.h"
#include "tree/record_routines.h"
#include "tree/row_target.h"
#include "zldbctrl70/tree.h"

using namespace zl;

namespace {

// 0 when the record exists, else its look-up code; a read of its own, so
// that a deletion of a record that is not there never takes the write lock.
int CheckRecordExists(void* hDB, long id, int& code) {
  return RunGuardedRead(hDB, [&](ZLHandleRecord& record) {
    int32_t key = 0;
    code = LookupKey(id, key);
    if (code == ZLE_OK) code = SeekByID(record, *record.Recordset(ZLT_MAIN), "MODEL_ID", id);
    return ZLOutcome::OkKeepError();
  });
}

int DeleteRecord(void* hDB, const ZLRowRef& row) {
  if (row.bookmark == nullptr) {
    int code = ZLE_OK;
    if (!CheckRecordExists(hDB, row.recordID, code)) return 0;
    if (code != ZLE_OK) return RunUnguarded([&] { return ZLOutcome::Fail(code); });
  }
  return RunGuarded(hDB, [&](ZLHandleRecord& record) {
    long id = 0;
    int code = OwnerRecordID(record, row, EOwnerCheck::kMustExist, id);
    if (code == ZLE_OK) code = DeleteRecord(record, id);
    return ZLOutcome::FromCode(code);
  });
}

int DeleteUDTRecord(void* hDB, const ZLRowRef& row) {
  return RunGuarded(hDB, [&](ZLHandleRecord& record) {
    long id = 0;
    const int code = OwnerRecordID(record, row, EOwnerCheck::kMustExist, id);
    if (code != ZLE_OK) return ZLOutcome::Fail(code);
    return DeleteUDTRows(record, id);
  });
}

// Runs copy(source, sourceID, dest, destID) for two records named by
// bookmarks, reading the source's file and writing the destination's.
template <class Copy>
int CopyBetween(void* hSrcDB, const COleVariant& srcBookmark, void* hDestDB,
                const COleVariant& destBookmark, Copy&& copy) {
  return RunGuardedReadWrite(hSrcDB, hDestDB, [&](ZLHandleRecord& source, ZLHandleRecord& dest) {
    long sourceID = 0;
    long destID = 0;
    int code =
        OwnerRecordID(source, ZLRowRef::ByBookmark(srcBookmark), EOwnerCheck::kMustExist, sourceID);
    if (code == ZLE_OK) {
      code =
          OwnerRecordID(dest, ZLRowRef::ByBookmark(destBookmark), EOwnerCheck::kMustExist, destID);
    }
    if (code != ZLE_OK) return ZLOutcome::Fail(code);
    return copy(source, sourceID, dest, destID);
  });
}

}  // namespace

int ZLDeleteRecordByID(void* hDB, long lID) { return DeleteRecord(hDB, ZLRowRef::ByID(lID)); }

int ZLDeleteRecordByBookmark(void* hDB, const COleVariant& bookmark) {
  return DeleteRecord(hDB, ZLRowRef::ByBookmark(bookmark));
}

int ZLDeleteUDTRecordByID(void* hDB, long lID) { return DeleteUDTRecord(hDB, ZLRowRef::ByID(lID)); }

int ZLDeleteUDTRecordByBookmark(void* hDB, const COleVariant& bookmark) {
  return DeleteUDTRecord(hDB, ZLRowRef::ByBookmark(bookmark));
}

int ZLCopyRecordByBookmark(void* hSrcDB, const COleVariant& srcBookmark, void* hDestDB,
                           const COleVariant& destBookmark) {
  return CopyBetween(hSrcDB, srcBookmark, hDestDB, destBookmark,
                     [](ZLHandleRecord& source, long sourceID, ZLHandleRecord& dest, long destID) {
                       return ZLOutcome::FromCode(CopyRecord(source, sourceID, dest, destID));
                     });
}

int ZLCopyUDTRecordByBookmark(void* hSrcDB, const COleVariant& srcBookmark, void* hDestDB,
                              const COleVariant& destBookmark) {
  return CopyBetween(hSrcDB, srcBookmark, hDestDB, destBookmark, CopyUDTRows);
}
