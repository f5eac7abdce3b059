// The exported keyword and symbol operations, one line each over the
// templates below.
#include "zldbctrl70/keywords.h"

#include "frame/dbinfo.h"
#include "frame/guard.h"
#include "frame/transaction.h"
#include "keywords/keyword_rows.h"
#include "resources/language_texts.h"
#include "simlang/owner_record.h"

using namespace zl;

namespace {

int GetKeywords(void* hDB, const ZLRowRef& row, WORD language, CZLKeywordArray& keywords,
                long setID) {
  return RunGuardedRead(hDB, [&](ZLHandleRecord& record) {
    ZLFreeObjectArray(keywords);
    int code = ZLE_OK;
    try {
      long id = 0;
      code = OwnerRecordID(record, row, EOwnerCheck::kTrustID, id);
      if (code == ZLE_OK) code = ReadKeywords(record, language, id, setID, keywords);
    } catch (...) {
      ZLFreeObjectArray(keywords);
      throw;
    }
    if (code != ZLE_OK) ZLFreeObjectArray(keywords);
    return ZLOutcome::FromCode(code);
  });
}

int GetKeywordMap(void* hDB, const ZLRowRef& row, CZLKeywordMap& keywords, long setID) {
  return RunGuardedRead(hDB, [&](ZLHandleRecord& record) {
    ZLFreeKeywordMap(keywords);
    int code = ZLE_OK;
    try {
      long id = 0;
      code = OwnerRecordID(record, row, EOwnerCheck::kTrustID, id);
      if (code == ZLE_OK) {
        code = ForEachResourceTable(record, ZLR_KEYWORD, [&](WORD language, CZLRecordset&) {
          auto* array = new CZLKeywordArray;
          keywords[language] = array;
          return ReadKeywords(record, language, id, setID, *array);
        });
      }
    } catch (...) {
      ZLFreeKeywordMap(keywords);
      throw;
    }
    if (code != ZLE_OK) ZLFreeKeywordMap(keywords);
    return ZLOutcome::FromCode(code);
  });
}

int SetKeywords(void* hDB, const ZLRowRef& row, WORD language, const CZLKeywordArray& keywords,
                long setID) {
  return RunGuarded(hDB, [&](ZLHandleRecord& record) {
    long id = 0;
    int code = OwnerRecordID(record, row, EOwnerCheck::kMustExist, id);
    if (code == ZLE_OK) code = WriteKeywords(record, language, id, setID, keywords);
    return ZLOutcome::FromCode(code);
  });
}

int SetKeywordMap(void* hDB, const ZLRowRef& row, const CZLKeywordMap& keywords, long setID) {
  return RunGuarded(hDB, [&](ZLHandleRecord& record) {
    long id = 0;
    int code = OwnerRecordID(record, row, EOwnerCheck::kMustExist, id);
    if (code != ZLE_OK) return ZLOutcome::Fail(code);
    CTransaction transaction;
    POSITION pos = keywords.GetStartPosition();
    while (pos != nullptr) {
      WORD language = 0;
      CZLKeywordArray* array = nullptr;
      keywords.GetNextAssoc(pos, language, array);
      CZLKeywordArray none;
      code = WriteKeywords(record, language, id, setID, array != nullptr ? *array : none);
      if (code != ZLE_OK) return ZLOutcome::Fail(code);
    }
    transaction.Commit();
    return ZLOutcome::Ok();
  });
}

int GetSymbol(void* hDB, const ZLRowRef& row, WORD language, CString& symbol) {
  return RunGuardedRead(hDB, [&](ZLHandleRecord& record) {
    symbol.Empty();
    RefreshUnlessSnapshot(record);
    long id = 0;
    int code = OwnerRecordID(record, row, EOwnerCheck::kTrustID, id);
    if (code == ZLE_OK) code = ReadSymbol(record, language, id, symbol);
    return ZLOutcome::FromCode(code);
  });
}

int GetSymbols(void* hDB, const ZLRowRef& row, CMap<WORD, WORD, CString, LPCSTR>& symbols) {
  return RunGuardedRead(hDB, [&](ZLHandleRecord& record) {
    symbols.RemoveAll();
    long id = 0;
    int code = OwnerRecordID(record, row, EOwnerCheck::kTrustID, id);
    if (code == ZLE_OK) {
      code = ForEachResourceTable(record, ZLR_SYMBOLS, [&](WORD language, CZLRecordset&) {
        CString symbol;
        const int read = ReadSymbol(record, language, id, symbol);
        if (read == ZLE_OK) symbols[language] = symbol;
        return read == ZLE_NO_RESOURCE_TEXT ? ZLE_OK : read;
      });
    }
    if (code != ZLE_OK) symbols.RemoveAll();
    return ZLOutcome::FromCode(code);
  });
}

int SetSymbol(void* hDB, const ZLRowRef& row, WORD language, const char* symbol) {
  return RunGuarded(hDB, [&](ZLHandleRecord& record) {
    long id = 0;
    int code = OwnerRecordID(record, row, EOwnerCheck::kMustExist, id);
    if (code == ZLE_OK) code = WriteSymbol(record, language, id, symbol);
    return ZLOutcome::FromCode(code);
  });
}

}  // namespace

int ZLGetKeywordsByID(void* hDB, long lID, WORD wLanguage, CZLKeywordArray& keywords,
                      long lParamSetID) {
  return GetKeywords(hDB, RecordByID(lID), wLanguage, keywords, lParamSetID);
}
int ZLGetKeywordsByBookmark(void* hDB, const COleVariant& bm, WORD wLanguage,
                            CZLKeywordArray& keywords, long lParamSetID) {
  return GetKeywords(hDB, RecordByBookmark(bm), wLanguage, keywords, lParamSetID);
}
int ZLGetKeywordsByID(void* hDB, long lID, CZLKeywordMap& keywords, long lParamSetID) {
  return GetKeywordMap(hDB, RecordByID(lID), keywords, lParamSetID);
}
int ZLGetKeywordsByBookmark(void* hDB, const COleVariant& bm, CZLKeywordMap& keywords,
                            long lParamSetID) {
  return GetKeywordMap(hDB, RecordByBookmark(bm), keywords, lParamSetID);
}
int ZLSetKeywordsByID(void* hDB, long lID, WORD wLanguage, const CZLKeywordArray& keywords,
                      long lParamSetID) {
  return SetKeywords(hDB, RecordByID(lID), wLanguage, keywords, lParamSetID);
}
int ZLSetKeywordsByBookmark(void* hDB, const COleVariant& bm, WORD wLanguage,
                            const CZLKeywordArray& keywords, long lParamSetID) {
  return SetKeywords(hDB, RecordByBookmark(bm), wLanguage, keywords, lParamSetID);
}
int ZLSetKeywordsByID(void* hDB, long lID, const CZLKeywordMap& keywords, long lParamSetID) {
  return SetKeywordMap(hDB, RecordByID(lID), keywords, lParamSetID);
}
int ZLSetKeywordsByBookmark(void* hDB, const COleVariant& bm, const CZLKeywordMap& keywords,
                            long lParamSetID) {
  return SetKeywordMap(hDB, RecordByBookmark(bm), keywords, lParamSetID);
}

int ZLGetDBKeywords(void* hDB, WORD wLanguage, CZLKeywordArray& keywords) {
  return RunGuardedRead(hDB, [&](ZLHandleRecord& record) {
    ZLFreeObjectArray(keywords);
    int code = ZLE_OK;
    try {
      code = ReadAllKeywords(record, wLanguage, keywords);
    } catch (...) {
      ZLFreeObjectArray(keywords);
      throw;
    }
    if (code != ZLE_OK) ZLFreeObjectArray(keywords);
    return ZLOutcome::FromCode(code);
  });
}

int ZLSetDBKeywords(void* hDB, WORD wLanguage, const CZLKeywordArray& keywords) {
  (void)hDB;
  (void)wLanguage;
  (void)keywords;
  return 1;
}

int ZLGetSymbolByID(void* hDB, long lID, WORD wLanguage, CString& symbol) {
  return GetSymbol(hDB, RecordByID(lID), wLanguage, symbol);
}
int ZLGetSymbolByBookmark(void* hDB, const COleVariant& bm, WORD wLanguage, CString& symbol) {
  return GetSymbol(hDB, RecordByBookmark(bm), wLanguage, symbol);
}
int ZLGetSymbolsByID(void* hDB, long lID, CMap<WORD, WORD, CString, LPCSTR>& symbols) {
  return GetSymbols(hDB, RecordByID(lID), symbols);
}
int ZLGetSymbolsByBookmark(void* hDB, const COleVariant& bm,
                           CMap<WORD, WORD, CString, LPCSTR>& symbols) {
  return GetSymbols(hDB, RecordByBookmark(bm), symbols);
}
int ZLSetSymbolByID(void* hDB, long lID, WORD wLanguage, const char* lpszSymbol) {
  return SetSymbol(hDB, RecordByID(lID), wLanguage, lpszSymbol);
}
int ZLSetSymbolByBookmark(void* hDB, const COleVariant& bm, WORD wLanguage,
                          const char* lpszSymbol) {
  return SetSymbol(hDB, RecordByBookmark(bm), wLanguage, lpszSymbol);
}
