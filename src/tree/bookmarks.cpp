// Converting between record IDs and bookmarks; all bookmarks of the tree.
#include "frame/dbinfo.h"
#include "frame/guard.h"
#include "schema/zl_recordset.h"
#include "tree/row_target.h"
#include "zldbctrl70/tree.h"
#include "zldbctrl70/value_objects.h"

using namespace zl;

int ZLGetBookmarkByID(void* hDB, long lID, COleVariant& bookmark) {
  return RunGuardedRead(hDB, [&](ZLHandleRecord& record) {
    CZLRecordset* main = nullptr;
    const int code = PositionRow(record, ZLRowRef::ByID(lID), true, main);
    if (code != ZLE_OK) return ZLOutcome::Fail(code);
    bookmark = main->GetBookmark();
    return ZLOutcome::Ok();
  });
}

int ZLGetIDByBookmark(void* hDB, const COleVariant& bookmark, long& lID) {
  return RunGuardedRead(hDB, [&](ZLHandleRecord& record) {
    COleVariant value;
    const int code = ReadRowField(record, ZLRowRef::ByBookmark(bookmark), "MODEL_ID", value);
    if (code != ZLE_OK) return ZLOutcome::Fail(code);
    lID = value.lVal;
    return ZLOutcome::Ok();
  });
}

int ZLGetAllBookmarks(void* hDB, CTypedPtrArray<CPtrArray, COleVariant*>& bookmarks) {
  return RunGuardedRead(hDB, [&](ZLHandleRecord& record) {
    ZLFreeBookmarkArray(bookmarks);
    try {
      RefreshUnlessSnapshot(record);
      CZLRecordset& main = *record.recordsets[ZLT_MAIN];
      if (main.GetRecordCount() == 0) return ZLOutcome::Ok();
      for (main.MoveFirst(); !main.IsEOF(); main.MoveNext()) {
        bookmarks.Add(new COleVariant(main.GetBookmark()));
      }
    } catch (...) {
      ZLFreeBookmarkArray(bookmarks);
      throw;
    }
    return ZLOutcome::Ok();
  });
}
