// The scalar attributes of records and parameter sets, generated from one
// table: each attribute is its field, its value kind, whether it takes the
// parameter-set argument and whether its setter renews the layout change
// stamp.  Every exported getter and setter is a one-line call of the two
// templates below.
#include "zldbctrl70/attributes.h"

#include "frame/dbinfo.h"
#include "frame/guard.h"
#include "tree/attribute_conversions.h"
#include "tree/row_target.h"

using namespace zl;

namespace {

enum EStamp { kNoStamp, kStampBefore };

template <class Kind>
int GetScalar(void* hDB, const ZLRowRef& row, const char* field, typename Kind::Out value) {
  return RunGuardedRead(hDB, [&](ZLHandleRecord& record) {
    COleVariant read;
    int code = ReadRowField(record, row, field, read);
    if (code == ZLE_OK || (code == ZLE_NULL_VALUE && Kind::kEmptiesOnNull)) {
      code = Kind::FromRead(read, value);
    }
    return ZLOutcome::FromCode(code);
  });
}

template <class Kind, EStamp kStamp>
int SetScalar(void* hDB, const ZLRowRef& row, const char* field, typename Kind::In value) {
  return RunGuarded(hDB, [&](ZLHandleRecord& record) {
    COleVariant stored;
    int code = row.CheckKeys();
    if (code == ZLE_OK) code = Kind::ToStored(value, stored);
    if (code != ZLE_OK) return ZLOutcome::Fail(code);
    // Stamp and value commit together (the guard's transaction).
    if (kStamp == kStampBefore) StampLayoutChange(record);
    return ZLOutcome::FromCode(WriteRowField(record, row, field, stored));
  });
}

}  // namespace

// Name, field, value kind, parameter-set argument, stamp.
#define ZL_SCALAR_ATTRIBUTES(X)                                      \
  X(DefName, "DEFNAME", CTextValue, NoParamSet, kNoStamp)            \
  X(State, "STATE", CUnsignedValue, WithParamSet, kStampBefore)      \
  X(Type, "TYPE", CUnsignedValue, NoParamSet, kNoStamp)              \
  X(Level, "LEVEL", CUnsignedValue, NoParamSet, kNoStamp)            \
  X(CreatedUser, "CREATED_USER", CTextValue, WithParamSet, kNoStamp) \
  X(ModifiedUser, "AUTHOR", CTextValue, WithParamSet, kNoStamp)      \
  X(CreatedDate, "CREATED_DATE", CDateValue, WithParamSet, kNoStamp) \
  X(ModifiedDate, "DATE", CDateValue, WithParamSet, kNoStamp)        \
  X(Uses, "USES", CTextValue, NoParamSet, kNoStamp)                  \
  X(Sheet, "SHEET", CBinaryValue, NoParamSet, kNoStamp)              \
  X(UDTName, "UDTNAME", CTextValue, NoParamSet, kNoStamp)            \
  X(WizType, "WIZTYPE", CSignedValue, NoParamSet, kNoStamp)          \
  X(WizardData, "WIZARDDATA", CBinaryValue, NoParamSet, kNoStamp)

// The four operations of an attribute without the parameter-set argument.
#define ZL_DEFINE_NoParamSet(Name, field, Kind, stamp)                                   \
  int ZLGet##Name##ByID(void* hDB, long lID, Kind::Out value) {                          \
    return GetScalar<Kind>(hDB, ZLRowRef::ByID(lID, 0), field, value);                   \
  }                                                                                      \
  int ZLGet##Name##ByBookmark(void* hDB, const COleVariant& bookmark, Kind::Out value) { \
    return GetScalar<Kind>(hDB, ZLRowRef::ByBookmark(bookmark, 0), field, value);        \
  }                                                                                      \
  int ZLSet##Name##ByID(void* hDB, long lID, Kind::In value) {                           \
    return SetScalar<Kind, stamp>(hDB, ZLRowRef::ByID(lID, 0), field, value);            \
  }                                                                                      \
  int ZLSet##Name##ByBookmark(void* hDB, const COleVariant& bookmark, Kind::In value) {  \
    return SetScalar<Kind, stamp>(hDB, ZLRowRef::ByBookmark(bookmark, 0), field, value); \
  }

// The four operations of an attribute that parameter sets share.
#define ZL_DEFINE_WithParamSet(Name, field, Kind, stamp)                                        \
  int ZLGet##Name##ByID(void* hDB, long lID, Kind::Out value, long lParamID) {                  \
    return GetScalar<Kind>(hDB, ZLRowRef::ByID(lID, lParamID), field, value);                   \
  }                                                                                             \
  int ZLGet##Name##ByBookmark(void* hDB, const COleVariant& bookmark, Kind::Out value,          \
                              long lParamID) {                                                  \
    return GetScalar<Kind>(hDB, ZLRowRef::ByBookmark(bookmark, lParamID), field, value);        \
  }                                                                                             \
  int ZLSet##Name##ByID(void* hDB, long lID, Kind::In value, long lParamID) {                   \
    return SetScalar<Kind, stamp>(hDB, ZLRowRef::ByID(lID, lParamID), field, value);            \
  }                                                                                             \
  int ZLSet##Name##ByBookmark(void* hDB, const COleVariant& bookmark, Kind::In value,           \
                              long lParamID) {                                                  \
    return SetScalar<Kind, stamp>(hDB, ZLRowRef::ByBookmark(bookmark, lParamID), field, value); \
  }

#define ZL_DEFINE_ATTRIBUTE(Name, field, Kind, scope, stamp) \
  ZL_DEFINE_##scope(Name, field, Kind, stamp)

ZL_SCALAR_ATTRIBUTES(ZL_DEFINE_ATTRIBUTE)
