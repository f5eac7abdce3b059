// Finding the root of the tree and building a record's path from the titles
// of its ancestors.  Both follow stored links, which nobody guarantees to be
// free of cycles, so every walk here is bounded.
#include <string>
#include <vector>

#include "content/row_patterns.h"
#include "engine/dao_errors.h"
#include "frame/dbinfo.h"
#include "frame/guard.h"
#include "schema/zl_recordset.h"
#include "tree/record_routines.h"
#include "tree/row_target.h"
#include "zldbctrl70/tree.h"

using namespace zl;

namespace {

CZLRecordset& Main(ZLHandleRecord& record) { return *record.recordsets[ZLT_MAIN]; }

// Builds the path of record id into path.  On success endCode is the code of
// the PARENT read that ended the climb (10 or 11).  Titles that cannot be
// read give three spaces; an engine failure or a cycle gives its code (9).
int BuildPath(ZLHandleRecord& record, long id, WORD language, CString& path, int& endCode) {
  CZLRecordset& main = Main(record);
  CWalkBound bound(main);
  std::vector<std::string> titles;  // from the parent upwards
  long current = id;
  for (;;) {
    COleVariant parent;
    int code = ReadRowField(record, ZLRowRef::ByID(current), "PARENT", parent);
    if (code == ZLE_NULL_VALUE || code == ZLE_NO_RECORD) {
      endCode = code;
      break;
    }
    if (code != ZLE_OK) return code;
    if (!bound.Step()) return ZLE_ENGINE;
    current = parent.lVal;
    COleVariant title;
    code = ReadRowText(record, ZLRowRef::ByID(current), "TITLE", language, title);
    // A missing title is part of a normal path; a failing engine is not.
    if (code == ZLE_ENGINE || code == ZLE_OUT_OF_MEMORY) return code;
    if (code == ZLE_OK && title.GetStringLength() > 0) {
      titles.emplace_back(title.GetStringValue());
    } else {
      titles.emplace_back("   ");
    }
  }
  std::string text;
  for (auto it = titles.rbegin(); it != titles.rend(); ++it) {
    text += "\\\\";
    text += *it;
  }
  path = text.c_str();
  return ZLE_OK;
}

ZLOutcome PathOutcome(ZLHandleRecord& record, long id, WORD language, CString& path) {
  path.Empty();
  int endCode = ZLE_OK;
  const int code = BuildPath(record, id, language, path, endCode);
  if (code != ZLE_OK) {
    path.Empty();
    return ZLOutcome::Fail(code);
  }
  // Success reports how the climb ended, as callers of this operation expect.
  return ZLOutcome::OkWithCode(endCode);
}

}  // namespace

int ZLGetRootBookmark(void* hDB, COleVariant& bookmark) {
  return RunGuardedRead(hDB, [&](ZLHandleRecord& record) {
    RefreshUnlessSnapshot(record);
    CZLRecordset& main = Main(record);
    // The record with the smallest ID is where the search starts; MAIN's
    // current index is on the ID.
    try {
      main.MoveFirst();
    } catch (const CDaoException& e) {
      if (e.m_scode == DaoScode(kDaoNoCurrentRecord)) return ZLOutcome::Fail(ZLE_NO_RECORD);
      throw;
    }
    const long first = main.GetFieldValue("MODEL_ID").lVal;
    long top = 0;
    int code = FollowChain(record, main, "MODEL_ID", "PARENT", first, top);
    long root = 0;
    if (code == ZLE_OK) code = FollowChain(record, main, "MODEL_ID", "PREV", top, root);
    if (code == ZLE_OK) code = SeekByID(record, main, "MODEL_ID", root);
    if (code != ZLE_OK) return ZLOutcome::Fail(code);
    bookmark = main.GetBookmark();
    return ZLOutcome::Ok();
  });
}

int ZLGetPathByID(void* hDB, long lID, LANGID wLanguage, CString& path) {
  path.Empty();
  return RunGuardedRead(
      hDB, [&](ZLHandleRecord& record) { return PathOutcome(record, lID, wLanguage, path); });
}

int ZLGetPathByBookmark(void* hDB, const COleVariant& bookmark, LANGID wLanguage, CString& path) {
  return RunGuardedRead(hDB, [&](ZLHandleRecord& record) {
    COleVariant id;
    const int code = ReadRowField(record, ZLRowRef::ByBookmark(bookmark), "MODEL_ID", id);
    if (code != ZLE_OK) return ZLOutcome::Fail(code);
    return PathOutcome(record, id.lVal, wLanguage, path);
  });
}
