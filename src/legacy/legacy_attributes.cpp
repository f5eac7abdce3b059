// The legacy model attributes, generated from legacy_attribute_list.h: each
// export is one line over the templates below.
#include "frame/stored_text.h"
#include "legacy/legacy_attribute_list.h"
#include "legacy/legacy_guard.h"
#include "legacy/legacy_records.h"
#include "schema/zl_recordset.h"
#include "zldbctrl70/legacy.h"

using namespace zl::legacy;

namespace {

// How a value kind crosses between the caller and a field.  FromField reads
// a non-null field value; ToField returns 0 or a legacy code.
struct CTextKind {
  using Out = CString&;
  using In = const char*;
  static void FromField(const COleVariant& v, CString& out) { out = v.GetStringValue(); }
  static int ToField(const char* in, COleVariant& v) {
    v = COleVariant(in != nullptr ? in : "");
    return LZLE_OK;
  }
};

struct CLongKind {
  using Out = long&;
  using In = long;
  static void FromField(const COleVariant& v, long& out) { out = v.lVal; }
  static int ToField(long in, COleVariant& v) { return StoredLong(in, v); }
};

struct CIntKind {
  using Out = int&;
  using In = int;
  static void FromField(const COleVariant& v, int& out) { out = v.iVal; }
  // The engine refuses a value outside the field's range.
  static int ToField(int in, COleVariant& v) {
    v = COleVariant(static_cast<int32_t>(in));
    return LZLE_OK;
  }
};

struct CByteKind {
  using Out = BYTE&;
  using In = BYTE;
  static void FromField(const COleVariant& v, BYTE& out) { out = v.bVal; }
  static int ToField(BYTE in, COleVariant& v) {
    v = COleVariant(in);
    return LZLE_OK;
  }
};

struct CDateKind {
  using Out = COleDateTime&;
  using In = const COleDateTime&;
  static void FromField(const COleVariant& v, COleDateTime& out) { out = COleDateTime(v.date); }
  static int ToField(const COleDateTime& in, COleVariant& v) {
    v = COleVariant(in);
    return LZLE_OK;
  }
};

struct CBinaryKind {
  using Out = CLongBinary&;
  using In = const CLongBinary&;
  static void FromField(const COleVariant& v, CLongBinary& out) { zl::CopyBinary(v, out); }
  static int ToField(const CLongBinary& in, COleVariant& v) {
    v = zl::BinaryOrNull(in);
    return LZLE_OK;
  }
};

template <class Kind>
int GetAttr(void* hDB, const CLegacyRowRef& row, const char* field, typename Kind::Out out) {
  return RunLegacyRead(hDB, [&](ZLLegacyRecord& record) {
    COleVariant value;
    const int code = ReadModelField(record, row, field, value);
    if (code == LZLE_OK) Kind::FromField(value, out);
    return code;
  });
}

template <class Kind>
int SetAttr(void* hDB, const CLegacyRowRef& row, const char* field, EStamp stamp,
            typename Kind::In in) {
  return RunLegacyWrite(hDB, [&](ZLLegacyRecord& record) {
    COleVariant value;
    int code = Kind::ToField(in, value);
    if (code == LZLE_OK) code = WriteModelField(record, row, field, value, stamp);
    return code;
  });
}

int GetLib(void* hDB, const CLegacyRowRef& row, const char* field, const char* stateField,
           CString& text, long access) {
  if (access != LZL_LIB_ACCESS) {
    std::lock_guard<std::recursive_mutex> oneCallAtATime(zl::OperationMutex());
    SetLegacyLastError(LZLE_ACCESS_CODE);
    return 0;
  }
  return RunLegacyRead(hDB, [&](ZLLegacyRecord& record) {
    COleVariant state, block;
    int code = ReadModelField(record, row, stateField, state);
    if (code == LZLE_NULL_VALUE) state = COleVariant(static_cast<int32_t>(0));
    if (code == LZLE_NULL_VALUE || code == LZLE_OK)
      code = ReadModelField(record, row, field, block);
    if (code != LZLE_OK) return code;
    const bool compressed = (state.lVal & LZL_LIB_COMPRESSED) != 0;
    // A block that does not decode is reported as the storage failure it is.
    return zl::LoadTextBlock(block, compressed, text) == 0 ? static_cast<int>(LZLE_OK)
                                                           : static_cast<int>(LZLE_ENGINE);
  });
}

int SetLib(void* hDB, const CLegacyRowRef& row, const char* field, const char* stateField,
           const char* text, int compress) {
  return RunLegacyWrite(hDB, [&](ZLLegacyRecord& record) {
    COleVariant state;
    int code = ReadModelField(record, row, stateField, state);
    if (code == LZLE_NULL_VALUE) state = COleVariant(static_cast<int32_t>(0));
    if (code != LZLE_OK && code != LZLE_NULL_VALUE) return code;
    const std::string bytes = text != nullptr ? text : "";
    COleVariant block;
    if (compress != 0) {
      // Packed with its terminating zero, which ends the text on reading.
      block = zl::StoreTextBlock(bytes.data(), bytes.size(), true);
      state.lVal |= LZL_LIB_COMPRESSED;
    } else {
      block.SetByteArray(bytes.data(), bytes.size());
      state.lVal &= ~static_cast<int32_t>(LZL_LIB_COMPRESSED);
    }
    code = WriteModelField(record, row, stateField, state, EStamp::kNone);
    if (code == LZLE_OK) code = WriteModelField(record, row, field, block, EStamp::kDate);
    return code;
  });
}

}  // namespace

#define LZL_DEFINE_SCALAR(Attr, field, Kind, stamp)                                            \
  int Get##Attr##ByID(void* hDB, long lID, Kind::Out value) {                                  \
    return GetAttr<Kind>(hDB, CLegacyRowRef::ID(lID), field, value);                           \
  }                                                                                            \
  int Get##Attr##ByBookmark(void* hDB, COleVariant bookmark, Kind::Out value) {                \
    return GetAttr<Kind>(hDB, CLegacyRowRef::Bookmark(bookmark), field, value);                \
  }                                                                                            \
  int Set##Attr##ByID(void* hDB, long lID, Kind::In value) {                                   \
    return SetAttr<Kind>(hDB, CLegacyRowRef::ID(lID), field, EStamp::stamp, value);            \
  }                                                                                            \
  int Set##Attr##ByBookmark(void* hDB, COleVariant bookmark, Kind::In value) {                 \
    return SetAttr<Kind>(hDB, CLegacyRowRef::Bookmark(bookmark), field, EStamp::stamp, value); \
  }
LZL_SCALAR_ATTRIBUTES(LZL_DEFINE_SCALAR)
#undef LZL_DEFINE_SCALAR

#define LZL_DEFINE_LIB(Attr, field, stateField)                                                    \
  int Get##Attr##ByID(void* hDB, long lID, CString& text, long lAccess) {                          \
    return GetLib(hDB, CLegacyRowRef::ID(lID), field, stateField, text, lAccess);                  \
  }                                                                                                \
  int Get##Attr##ByBookmark(void* hDB, COleVariant bookmark, CString& text, long lAccess) {        \
    return GetLib(hDB, CLegacyRowRef::Bookmark(bookmark), field, stateField, text, lAccess);       \
  }                                                                                                \
  int Set##Attr##ByID(void* hDB, long lID, const char* lpszText, int bCompress) {                  \
    return SetLib(hDB, CLegacyRowRef::ID(lID), field, stateField, lpszText, bCompress);            \
  }                                                                                                \
  int Set##Attr##ByBookmark(void* hDB, COleVariant bookmark, const char* lpszText,                 \
                            int bCompress) {                                                       \
    return SetLib(hDB, CLegacyRowRef::Bookmark(bookmark), field, stateField, lpszText, bCompress); \
  }
LZL_LIB_ATTRIBUTES(LZL_DEFINE_LIB)
#undef LZL_DEFINE_LIB
