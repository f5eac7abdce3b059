// The side lists of a model: PARAMS, CONNECT and OUTPUT rows as CCoPaObject,
// FILES rows as CFileObject, keywords (KEYWORDSID links to KEYWORDS) as
// CKeywordObject.  A write replaces the model's rows: the old ones are
// deleted and one row per object is added, in one transaction.
#include "legacy/legacy_lists.h"

#include <memory>

#include "legacy/legacy_attribute_list.h"
#include "legacy/legacy_guard.h"
#include "legacy/legacy_records.h"
#include "schema/zl_recordset.h"
#include "zldbctrl70/legacy.h"

using namespace zl::legacy;

namespace zl::legacy {
namespace {

CString TextOrEmpty(const COleVariant& v) {
  return v.vt == VT_BSTR ? CString(v.GetStringValue()) : CString();
}
int32_t LongOrZero(const COleVariant& v) { return v.vt == VT_I4 ? v.lVal : 0; }
WORD ResIDOrZero(const COleVariant& v) { return v.vt == VT_I2 ? static_cast<WORD>(v.iVal) : 0; }

// The side table of a list kind (keywords: the link table).
ELegacyTable SideTable(EListKind kind) {
  switch (kind) {
    case kParams:
      return LT_PARAMS;
    case kConnects:
      return LT_CONNECT;
    case kOutput:
      return LT_OUTPUT;
    case kFiles:
      return LT_FILES;
    case kKeywords:
      break;
  }
  return LT_KEYWORDSID;
}

// The resource-ID fields of PARAMS and CONNECT, with the object member each
// fills.
struct CResIDField {
  const char* field;
  WORD CCoPaObject::*member;
};
const CResIDField kResIDFields[] = {
    {"NAME_TO_TRESID", &CCoPaObject::m_wNameToResID},
    {"VALUE_TO_TRESID", &CCoPaObject::m_wValueToResID},
    {"TYPE_TO_TRESID", &CCoPaObject::m_wTypeToResID},
    {"EYTTYPE_TO_TRESID", &CCoPaObject::m_wExtTypeToResID},
    {"INFO_TO_TRESID", &CCoPaObject::m_wInfoToResID},
};

bool HasResIDs(EListKind kind) { return kind == kParams || kind == kConnects; }

CObject* ReadRow(ZLLegacyRecord& record, EListKind kind, CZLRecordset& rs) {
  if (kind == kFiles) {
    auto* file = new CFileObject;
    const COleVariant access = rs.GetFieldValue("ACCESS");
    file->m_bAccessSet = access.vt != VT_NULL ? TRUE : FALSE;
    file->m_lAccess = LongOrZero(access);
    file->m_strFile = TextOrEmpty(rs.GetFieldValue("FILE"));
    const COleVariant type = rs.GetFieldValue("TYPE");
    file->m_nType = type.vt == VT_UI1 ? type.bVal : 0;
    return file;
  }
  if (kind == kKeywords) {
    CZLRecordset& keywords = record.Recordset(LT_KEYWORDS);
    COleVariant keywordID = rs.GetFieldValue("KEYWID");
    if (!keywords.Seek("=", &keywordID)) return nullptr;  // a dangling link
    return new CKeywordObject(TextOrEmpty(keywords.GetFieldValue("KEYW")));
  }
  auto* copa = new CCoPaObject;
  copa->m_strName = TextOrEmpty(rs.GetFieldValue("NAME"));
  copa->m_strValue = TextOrEmpty(rs.GetFieldValue("VALUE"));
  copa->m_strInfo = TextOrEmpty(rs.GetFieldValue("INFO"));
  copa->m_dwType = static_cast<DWORD>(LongOrZero(rs.GetFieldValue("TYPE")));
  copa->m_dwExtType = static_cast<DWORD>(LongOrZero(rs.GetFieldValue("EXTTYPE")));
  if (HasResIDs(kind) && copa->m_dwType == 0) {
    for (const CResIDField& resID : kResIDFields) {
      copa->*resID.member = ResIDOrZero(rs.GetFieldValue(resID.field));
    }
  }
  return copa;
}

// The keyword row's ID for a text, added when missing.
COleVariant KeywordID(ZLLegacyRecord& record, const CString& text) {
  CZLRecordset& keywords = record.Recordset(LT_KEYWORDS);
  COleVariant key(text);
  if (!keywords.Seek("=", &key)) {
    CLegacyRowWrite add(keywords, CLegacyRowWrite::kAddNew);
    add.Set("KEYW", key);
    add.Update();
    keywords.SetBookmark(keywords.GetLastModifiedBookmark());
  }
  return keywords.GetFieldValue("KEYWID");
}

void AddRow(ZLLegacyRecord& record, EListKind kind, const COleVariant& id, CObject* object) {
  if (kind == kKeywords) {
    const COleVariant keywordID =
        KeywordID(record, static_cast<CKeywordObject*>(object)->m_strKeyword);
    CLegacyRowWrite link(record.Recordset(LT_KEYWORDSID), CLegacyRowWrite::kAddNew);
    link.Set("KEYWID", keywordID);
    link.Set("ID", id);
    link.Update();
    return;
  }
  CLegacyRowWrite row(record.Recordset(SideTable(kind)), CLegacyRowWrite::kAddNew);
  row.Set("ID", id);
  if (kind == kFiles) {
    const auto* file = static_cast<CFileObject*>(object);
    COleVariant access;
    if (file->m_bAccessSet) StoredLong(file->m_lAccess, access);
    row.Set("FILE", COleVariant(file->m_strFile));
    row.Set("TYPE", COleVariant(file->m_nType));
    row.Set("ACCESS", access);
  } else {
    const auto* copa = static_cast<CCoPaObject*>(object);
    row.Set("NAME", COleVariant(copa->m_strName));
    row.Set("VALUE", COleVariant(copa->m_strValue));
    row.Set("INFO", COleVariant(copa->m_strInfo));
    row.Set("TYPE", COleVariant(static_cast<int32_t>(copa->m_dwType)));
    row.Set("EXTTYPE", COleVariant(static_cast<int32_t>(copa->m_dwExtType)));
    if (HasResIDs(kind)) {
      for (const CResIDField& resID : kResIDFields) {
        row.Set(resID.field, COleVariant(static_cast<int16_t>(copa->*resID.member)));
      }
    }
  }
  row.Update();
}

// Whether every element is an object of the list's class.
bool AllOfKind(EListKind kind, const CObList& list) {
  for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) {
    CObject* object = list.GetNext(pos);
    const bool fits = kind == kFiles      ? dynamic_cast<CFileObject*>(object) != nullptr
                      : kind == kKeywords ? dynamic_cast<CKeywordObject*>(object) != nullptr
                                          : dynamic_cast<CCoPaObject*>(object) != nullptr;
    if (!fits) return false;
  }
  return true;
}

}  // namespace

int ReadList(ZLLegacyRecord& record, EListKind kind, long id, CObList& list) {
  COleVariant key;
  if (StoredLong(id, key) != LZLE_OK) return LZLE_NO_RECORD;
  CZLRecordset& rs = record.Recordset(SideTable(kind));
  if (!rs.Seek("=", &key)) return LZLE_OK;
  // Keyword texts are found by their ID while the links are walked.
  std::unique_ptr<CIndexSwitch> keywordsByID;
  if (kind == kKeywords) {
    keywordsByID = std::make_unique<CIndexSwitch>(record.Recordset(LT_KEYWORDS), "KEYWID_INDEX");
  }
  do {
    if (CObject* object = ReadRow(record, kind, rs)) list.AddTail(object);
  } while (rs.SeekNext("ID", &key));
  return LZLE_OK;
}

void DeleteList(ZLLegacyRecord& record, EListKind kind, long id) {
  COleVariant key;
  if (StoredLong(id, key) != LZLE_OK) return;
  CZLRecordset& rs = record.Recordset(SideTable(kind));
  while (rs.Seek("=", &key)) rs.Delete();
}

int WriteList(ZLLegacyRecord& record, EListKind kind, long id, const CObList& list) {
  if (!AllOfKind(kind, list)) return LZLE_ENGINE;
  DeleteList(record, kind, id);
  const COleVariant key(static_cast<int32_t>(id));
  for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) {
    AddRow(record, kind, key, list.GetNext(pos));
  }
  return LZLE_OK;
}

}  // namespace zl::legacy

namespace {

int GetList(void* hDB, const CLegacyRowRef& row, EListKind kind, CObList& list) {
  return RunLegacyRead(hDB, [&](ZLLegacyRecord& record) {
    long id = 0;
    int code = ModelID(record, row, id);
    if (code != LZLE_OK) return code;
    // A failure leaves the caller's list as it was.
    CObList read;
    code = ReadList(record, kind, id, read);
    if (code != LZLE_OK) {
      FreeObjectList(read);
      return code;
    }
    list.AddTail(&read);
    read.RemoveAll();
    return code;
  });
}

int SetList(void* hDB, const CLegacyRowRef& row, EListKind kind, const CObList& list) {
  return RunLegacyWrite(hDB, [&](ZLLegacyRecord& record) {
    long id = 0;
    int code = ModelID(record, row, id);
    if (code == LZLE_OK) code = WriteList(record, kind, id, list);
    if (code == LZLE_OK) {
      code = WriteModelField(record, CLegacyRowRef::ID(id), "DATE",
                             COleVariant(COleDateTime::GetCurrentTime()), EStamp::kNone);
    }
    return code;
  });
}

}  // namespace

#define LZL_DEFINE_LIST(Attr, kind)                                                 \
  int Get##Attr##ByID(void* hDB, long lID, CObList& list) {                         \
    return GetList(hDB, CLegacyRowRef::ID(lID), kind, list);                        \
  }                                                                                 \
  int Get##Attr##ByBookmark(void* hDB, COleVariant bookmark, CObList& list) {       \
    return GetList(hDB, CLegacyRowRef::Bookmark(bookmark), kind, list);             \
  }                                                                                 \
  int Set##Attr##ByID(void* hDB, long lID, const CObList& list) {                   \
    return SetList(hDB, CLegacyRowRef::ID(lID), kind, list);                        \
  }                                                                                 \
  int Set##Attr##ByBookmark(void* hDB, COleVariant bookmark, const CObList& list) { \
    return SetList(hDB, CLegacyRowRef::Bookmark(bookmark), kind, list);             \
  }
LZL_LIST_ATTRIBUTES(LZL_DEFINE_LIST)
#undef LZL_DEFINE_LIST
