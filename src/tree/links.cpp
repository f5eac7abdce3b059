// The sixteen tree-link operations: four link fields, each read and written
// by record ID and by bookmark.  They are generated from the one list of
// fields below and two operation shapes, so that all sixteen follow the
// same rules.
#include "frame/caller_numbers.h"
#include "frame/dbinfo.h"
#include "frame/guard.h"
#include "tree/row_target.h"
#include "zldbctrl70/tree.h"

using namespace zl;

namespace {

int GetLink(void* hDB, const ZLRowRef& row, const char* field, long& link) {
  return RunGuardedRead(hDB, [&](ZLHandleRecord& record) {
    COleVariant value;
    const int code = ReadRowField(record, row, field, value);
    if (code != ZLE_OK) return ZLOutcome::Fail(code);
    link = value.lVal;
    return ZLOutcome::Ok();
  });
}

int SetLink(void* hDB, const ZLRowRef& row, const char* field, long link) {
  return RunGuarded(hDB, [&](ZLHandleRecord& record) {
    // A link to record 0 cannot exist: 0 means "no link" and is stored as NULL.
    COleVariant value;
    value.SetNull();
    int code = link == 0 ? ZLE_OK : StoredNumber(link, value);
    if (code == ZLE_OK) code = WriteRowField(record, row, field, value);
    if (code != ZLE_OK) return ZLOutcome::Fail(code);
    // The stamp follows only a write that happened.
    StampLayoutChange(record);
    return ZLOutcome::Ok();
  });
}

}  // namespace

// The link fields: the name part of their operations and the MAIN field.
#define ZL_TREE_LINK_FIELDS(X) \
  X(Parent, "PARENT")          \
  X(FirstChild, "FIRSTCHILD")  \
  X(Prev, "PREV")              \
  X(Next, "NEXT")

#define ZL_DEFINE_LINK_OPERATIONS(Name, field)                                        \
  int ZLGet##Name##ByID(void* hDB, long lID, long& lValue) {                          \
    return GetLink(hDB, ZLRowRef::ByID(lID), field, lValue);                          \
  }                                                                                   \
  int ZLGet##Name##ByBookmark(void* hDB, const COleVariant& bookmark, long& lValue) { \
    return GetLink(hDB, ZLRowRef::ByBookmark(bookmark), field, lValue);               \
  }                                                                                   \
  int ZLSet##Name##ByID(void* hDB, long lID, long lValue) {                           \
    return SetLink(hDB, ZLRowRef::ByID(lID), field, lValue);                          \
  }                                                                                   \
  int ZLSet##Name##ByBookmark(void* hDB, const COleVariant& bookmark, long lValue) {  \
    return SetLink(hDB, ZLRowRef::ByBookmark(bookmark), field, lValue);               \
  }

ZL_TREE_LINK_FIELDS(ZL_DEFINE_LINK_OPERATIONS)

#undef ZL_DEFINE_LINK_OPERATIONS
#undef ZL_TREE_LINK_FIELDS
