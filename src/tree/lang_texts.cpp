// Title and information: the language-dependent attributes.  The row holds
// a resource ID; the texts live in the string tables of the resource
// languages.  Both attributes have the same eight operations, generated from
// the four templates below.
#include "frame/dbinfo.h"
#include "frame/guard.h"
#include "frame/transaction.h"
#include "resources/resource_tables.h"
#include "tree/record_routines.h"
#include "tree/row_target.h"
#include "zldbctrl70/attributes.h"
#include "zldbctrl70/errors.h"

using namespace zl;

namespace {

using CLangTextMap = CMap<WORD, WORD, CString, LPCSTR>;

CString TextOf(const COleVariant& text) { return CString(V_BSTRT(&text), text.GetStringLength()); }

int GetOneText(void* hDB, const ZLRowRef& row, const char* field, WORD language, CString& text) {
  return RunGuardedRead(hDB, [&](ZLHandleRecord& record) {
    COleVariant read;
    const int code = ReadRowText(record, row, field, language, read);
    if (code != ZLE_OK) return ZLOutcome::Fail(code);
    text = TextOf(read);
    return ZLOutcome::Ok();
  });
}

int SetOneText(void* hDB, const ZLRowRef& row, const char* field, WORD language, const char* text) {
  return RunGuarded(hDB, [&](ZLHandleRecord& record) {
    const int code = WriteRowText(record, row, field, language, COleVariant(text));
    if (code != ZLE_OK) return ZLOutcome::Fail(code);
    StampLayoutChange(record);
    return ZLOutcome::Ok();
  });
}

int GetAllTexts(void* hDB, const ZLRowRef& row, const char* field, CLangTextMap& texts) {
  texts.RemoveAll();
  return RunGuardedRead(hDB, [&](ZLHandleRecord& record) {
    CArray<WORD, WORD> languages;
    int code = AvailableResourceLanguages(record, languages);
    if (code != ZLE_OK) return ZLOutcome::Fail(code);
    CZLRecordset* rs = nullptr;
    code = PositionRow(record, row, true, rs);
    if (code != ZLE_OK) return ZLOutcome::Fail(code);
    try {
      COleVariant resourceID;
      code = CurrentResourceID(record, *rs, field, false, resourceID);
      if (code != ZLE_OK) return ZLOutcome::Fail(code);
      // The list is walked from its end; the code of the last look-up is
      // what the call leaves, so a missing text in the first language
      // shows as 27 on a successful call.
      for (int i = static_cast<int>(languages.GetSize()) - 1; i >= 0; --i) {
        COleVariant text;
        code = GetResourceText(record, resourceID, languages[i], text);
        if (code == ZLE_OK) {
          texts.SetAt(languages[i], TextOf(text));
        } else if (code != ZLE_NO_RESOURCE_TEXT) {
          texts.RemoveAll();
          return ZLOutcome::Fail(code);
        }
      }
    } catch (...) {
      texts.RemoveAll();
      throw;
    }
    return ZLOutcome::OkWithCode(code);
  });
}

int SetAllTexts(void* hDB, const ZLRowRef& row, const char* field, const CLangTextMap& texts) {
  return RunGuarded(hDB, [&](ZLHandleRecord& record) {
    CZLRecordset* rs = nullptr;
    const int code = PositionRow(record, row, false, rs);
    if (code != ZLE_OK) return ZLOutcome::Fail(code);
    // Everything below, the resource ID a NULL field receives included,
    // is undone when one language fails.
    CTransaction transaction;
    COleVariant resourceID;
    CurrentResourceID(record, *rs, field, true, resourceID);
    for (POSITION pos = texts.GetStartPosition(); pos != nullptr;) {
      WORD language = 0;
      CString text;
      texts.GetNextAssoc(pos, language, text);
      const int stored = SetResourceText(record, resourceID, language, COleVariant(text));
      if (stored != ZLE_OK) return ZLOutcome::Fail(stored);
    }
    StampLayoutChange(record);
    transaction.Commit();
    return ZLOutcome::Ok();
  });
}

}  // namespace

// The eight operations of one language-dependent attribute.
#define ZL_DEFINE_LANG_TEXT(Name, field)                                                         \
  int ZLGet##Name##ByID(void* hDB, long lID, WORD wLanguage, CString& text, long lParamID) {     \
    return GetOneText(hDB, ZLRowRef::ByID(lID, lParamID), field, wLanguage, text);               \
  }                                                                                              \
  int ZLGet##Name##ByID(void* hDB, long lID, CLangTextMap& texts, long lParamID) {               \
    return GetAllTexts(hDB, ZLRowRef::ByID(lID, lParamID), field, texts);                        \
  }                                                                                              \
  int ZLGet##Name##ByBookmark(void* hDB, const COleVariant& bookmark, WORD wLanguage,            \
                              CString& text, long lParamID) {                                    \
    return GetOneText(hDB, ZLRowRef::ByBookmark(bookmark, lParamID), field, wLanguage, text);    \
  }                                                                                              \
  int ZLGet##Name##ByBookmark(void* hDB, const COleVariant& bookmark, CLangTextMap& texts,       \
                              long lParamID) {                                                   \
    return GetAllTexts(hDB, ZLRowRef::ByBookmark(bookmark, lParamID), field, texts);             \
  }                                                                                              \
  int ZLSet##Name##ByID(void* hDB, long lID, WORD wLanguage, const char* text, long lParamID) {  \
    return SetOneText(hDB, ZLRowRef::ByID(lID, lParamID), field, wLanguage, text);               \
  }                                                                                              \
  int ZLSet##Name##ByID(void* hDB, long lID, const CLangTextMap& texts, long lParamID) {         \
    return SetAllTexts(hDB, ZLRowRef::ByID(lID, lParamID), field, texts);                        \
  }                                                                                              \
  int ZLSet##Name##ByBookmark(void* hDB, const COleVariant& bookmark, WORD wLanguage,            \
                              const char* text, long lParamID) {                                 \
    return SetOneText(hDB, ZLRowRef::ByBookmark(bookmark, lParamID), field, wLanguage, text);    \
  }                                                                                              \
  int ZLSet##Name##ByBookmark(void* hDB, const COleVariant& bookmark, const CLangTextMap& texts, \
                              long lParamID) {                                                   \
    return SetAllTexts(hDB, ZLRowRef::ByBookmark(bookmark, lParamID), field, texts);             \
  }

ZL_DEFINE_LANG_TEXT(Title, "TITLE")
ZL_DEFINE_LANG_TEXT(Info, "INFO")
