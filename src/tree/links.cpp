// The sixteen tree-link operations: four link fields, each read and written
// by record ID and by bookmark.  They are generated from the one list of
// fields below and two operation shapes, so that all sixteen follow the
// same rules.
#include "frame/caller_numbers.h"
#include "frame/dbinfo.h"
#include "frame/guard.h"
#include "schema/zl_recordset.h"
#include "tree/record_routines.h"
#include "zldbctrl70/tree.h"

using namespace zl;

namespace {

// Names a MAIN row by its record ID.
struct CRowByID {
  long id;
  int Get(ZLHandleRecord& record, const char* field, COleVariant& value) const {
    return GetFieldByID(record, *record.recordsets[ZLT_MAIN], "MODEL_ID", id, field, value);
  }
  int Set(ZLHandleRecord& record, const char* field, const COleVariant& value) const {
    return SetFieldByID(record, *record.recordsets[ZLT_MAIN], "MODEL_ID", id, field, value);
  }
};

// Names a MAIN row by a bookmark.
struct CRowByBookmark {
  const COleVariant& bookmark;
  int Get(ZLHandleRecord& record, const char* field, COleVariant& value) const {
    return GetFieldByBookmark(record, bookmark, field, value);
  }
  int Set(ZLHandleRecord& record, const char* field, const COleVariant& value) const {
    return SetFieldByBookmark(record, bookmark, field, value);
  }
};

template <typename Row>
int GetLink(void* hDB, const Row& row, const char* field, long& link) {
  return RunGuarded(hDB, [&](ZLHandleRecord& record) {
    COleVariant value;
    const int code = row.Get(record, field, value);
    if (code != ZLE_OK) return ZLOutcome::Fail(code);
    link = value.lVal;
    return ZLOutcome::Ok();
  });
}

template <typename Row>
int SetLink(void* hDB, const Row& row, const char* field, long link) {
  return RunGuarded(hDB, [&](ZLHandleRecord& record) {
    // A link to record 0 cannot exist: 0 means "no link" and is stored as NULL.
    COleVariant value;
    value.SetNull();
    int code = link == 0 ? ZLE_OK : StoredNumber(link, value);
    if (code == ZLE_OK) code = row.Set(record, field, value);
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
    return GetLink(hDB, CRowByID{lID}, field, lValue);                                \
  }                                                                                   \
  int ZLGet##Name##ByBookmark(void* hDB, const COleVariant& bookmark, long& lValue) { \
    return GetLink(hDB, CRowByBookmark{bookmark}, field, lValue);                     \
  }                                                                                   \
  int ZLSet##Name##ByID(void* hDB, long lID, long lValue) {                           \
    return SetLink(hDB, CRowByID{lID}, field, lValue);                                \
  }                                                                                   \
  int ZLSet##Name##ByBookmark(void* hDB, const COleVariant& bookmark, long lValue) {  \
    return SetLink(hDB, CRowByBookmark{bookmark}, field, lValue);                     \
  }

ZL_TREE_LINK_FIELDS(ZL_DEFINE_LINK_OPERATIONS)

#undef ZL_DEFINE_LINK_OPERATIONS
#undef ZL_TREE_LINK_FIELDS
