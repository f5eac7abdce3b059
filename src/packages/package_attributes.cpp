// The attributes of package records, generated from one table: field, value
// kind and whether the setter renews the package change stamp.  Every
// exported getter and setter is a one-line call of the two templates below.
#include "content/row_patterns.h"
#include "frame/dbinfo.h"
#include "frame/guard.h"
#include "frame/transaction.h"
#include "packages/package_rows.h"
#include "schema/zl_recordset.h"
#include "tree/attribute_conversions.h"
#include "zldbctrl70/packages.h"

using namespace zl;

namespace {

// A link to another package: 0 stores none (NULL).
struct CLinkValue {
  using Out = long&;
  using In = long;
  static int ToStored(In value, COleVariant& stored) {
    if (value != 0) return CSignedValue::ToStored(value, stored);
    stored.SetNull();
    return ZLE_OK;
  }
  static int FromRead(const COleVariant& read, Out value) {
    return CSignedValue::FromRead(read, value);
  }
};

enum EStamp { kNoStamp, kStamp };

template <class Kind>
int GetAttribute(void* hDB, const ZLPackageRef& ref, const char* field, typename Kind::Out value) {
  return RunGuardedRead(hDB, [&](ZLHandleRecord& record) {
    long id = 0;
    const int code = LocatePackage(record, ref, id);
    if (code != ZLE_OK) return ZLOutcome::Fail(code);
    const COleVariant read = PackageRecords(record)->GetFieldValue(field);
    if (read.vt == VT_NULL) return ZLOutcome::Fail(ZLE_NULL_VALUE);
    return ZLOutcome::FromCode(Kind::FromRead(read, value));
  });
}

template <class Kind, EStamp kStamped>
int SetAttribute(void* hDB, const ZLPackageRef& ref, const char* field, typename Kind::In value) {
  return RunGuarded(hDB, [&](ZLHandleRecord& record) {
    COleVariant stored;
    long id = 0;
    int code = Kind::ToStored(value, stored);
    if (code == ZLE_OK) code = LocatePackage(record, ref, id);
    if (code != ZLE_OK) return ZLOutcome::Fail(code);
    CTransaction transaction;
    CRowWrite row(*PackageRecords(record), CRowWrite::kEdit);
    row.Set(field, stored);
    row.Update();
    if (kStamped == kStamp) StampPackageChange(record);
    transaction.Commit();
    return ZLOutcome::Ok();
  });
}

ZLPackageRef ID(long id) { return ZLPackageRef::ByID(id); }
ZLPackageRef BM(const COleVariant& bookmark) { return ZLPackageRef::ByBookmark(bookmark); }

}  // namespace

// Name, field, value kind, stamp.
#define ZL_PACKAGE_ATTRIBUTES(X)                       \
  X(Name, "PACKAGE_NAME", CTextValue, kStamp)          \
  X(CreatedUser, "CREATED_USER", CTextValue, kNoStamp) \
  X(ModifiedUser, "AUTHOR", CTextValue, kNoStamp)      \
  X(CreatedDate, "CREATED_DATE", CDateValue, kNoStamp) \
  X(ModifiedDate, "DATE", CDateValue, kNoStamp)        \
  X(Prev, "PREV", CLinkValue, kStamp)                  \
  X(Next, "NEXT", CLinkValue, kStamp)                  \
  X(State, "STATE", CUnsignedValue, kStamp)

#define ZL_DEFINE_PACKAGE_ATTRIBUTE(Name, field, Kind, stamp)                             \
  int ZLGetPackage##Name##ByID(void* hDB, long lID, Kind::Out value) {                    \
    return GetAttribute<Kind>(hDB, ID(lID), field, value);                                \
  }                                                                                       \
  int ZLGetPackage##Name##ByBookmark(void* hDB, const COleVariant& bm, Kind::Out value) { \
    return GetAttribute<Kind>(hDB, BM(bm), field, value);                                 \
  }                                                                                       \
  int ZLSetPackage##Name##ByID(void* hDB, long lID, Kind::In value) {                     \
    return SetAttribute<Kind, stamp>(hDB, ID(lID), field, value);                         \
  }                                                                                       \
  int ZLSetPackage##Name##ByBookmark(void* hDB, const COleVariant& bm, Kind::In value) {  \
    return SetAttribute<Kind, stamp>(hDB, BM(bm), field, value);                          \
  }

ZL_PACKAGE_ATTRIBUTES(ZL_DEFINE_PACKAGE_ATTRIBUTE)

int ZLGetPackageIDByBookmark(void* hDB, const COleVariant& bm, long& lPackageID) {
  return GetAttribute<CSignedValue>(hDB, BM(bm), "PACKAGE_ID", lPackageID);
}
