// Creating an empty record of the tree.
#include "frame/dbinfo.h"
#include "frame/guard.h"
#include "schema/zl_recordset.h"
#include "zldbctrl70/tree.h"

using namespace zl;

int ZLCreateNewRecord(void* hDB, COleVariant& bookmark) {
  return RunGuarded(hDB, [&](ZLHandleRecord& record) {
    CZLRecordset& main = *record.recordsets[ZLT_MAIN];
    main.AddNew();
    try {
      main.Update();
    } catch (...) {
      main.CancelUpdate();
      throw;
    }
    bookmark = main.GetLastModifiedBookmark();
    StampLayoutChange(record);
    return ZLOutcome::Ok();
  });
}
