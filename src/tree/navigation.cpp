// Finding the root of the tree and building a record's path from the titles
// of its ancestors.  Both follow stored links, which nobody guarantees to be
// free of cycles, so every walk here is bounded.
#include <string>
#include <vector>

#include "engine/dao_errors.h"
#include "frame/dbinfo.h"
#include "frame/guard.h"
#include "schema/zl_recordset.h"
#include "tree/record_routines.h"
#include "tree/row_target.h"
#include "zldbctrl70/tree.h"

using namespace zl;

namespace {

// Counts the links one walk follows.  A walk over distinct records follows
// fewer links than MAIN has rows, so a walk that follows more has run into
// a cycle.  Counting the rows costs a pass over the table, so it is done
// only once a walk is longer than real trees are deep: ordinary walks stay
// one seek per step.
class CWalkBound {
 public:
  explicit CWalkBound(CZLRecordset& main) : m_main(main) {}
  CWalkBound(const CWalkBound&) = delete;
  CWalkBound& operator=(const CWalkBound&) = delete;

  // Records one more link followed; false when that is more than the rows
  // of MAIN allow.  Engine errors propagate.
  bool Step() {
    ++m_steps;
    if (m_steps <= kUncountedSteps) return true;
    if (m_rows < 0) m_rows = m_main.GetRecordCount();
    return m_steps <= m_rows;
  }

 private:
  static constexpr long kUncountedSteps = 64;
  CZLRecordset& m_main;
  long m_steps = 0;
  long m_rows = -1;
};

CZLRecordset& Main(ZLHandleRecord& record) { return *record.recordsets[ZLT_MAIN]; }

// Follows field from the existing record start for as long as it names an
// existing record, leaving the last one reached in last.  A NULL link or one
// naming no record ends the walk normally.  9 for a cycle; the row count
// behind the bound may raise engine errors, which the operation's guard
// maps.
int FollowLinks(ZLHandleRecord& record, const char* field, long start, long& last) {
  CZLRecordset& main = Main(record);
  CWalkBound bound(main);
  last = start;
  for (;;) {
    COleVariant link;
    int code = ReadRowField(record, ZLRowRef::ByID(last), field, link);
    if (code == ZLE_NULL_VALUE) return ZLE_OK;
    if (code != ZLE_OK) return code;
    const long next = link.lVal;
    // Only a record that exists may become the result.  The seek also
    // leaves MAIN on it, so the next read needs no second seek.
    code = SeekByID(record, main, "MODEL_ID", next);
    if (code == ZLE_NO_RECORD) return ZLE_OK;
    if (code != ZLE_OK) return code;
    if (!bound.Step()) return ZLE_ENGINE;
    last = next;
  }
}

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
    int code = FollowLinks(record, "PARENT", first, top);
    long root = 0;
    if (code == ZLE_OK) code = FollowLinks(record, "PREV", top, root);
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
