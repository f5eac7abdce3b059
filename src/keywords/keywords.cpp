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

ZLRowRef ID(long id) { return ZLRowRef::ByID(id, 0); }
ZLRowRef BM(const COleVariant& bookmark) { return ZLRowRef::ByBookmark(bookmark, 0); }

}  // namespace

int ZLGetKeywordsByID(void* hDB, long lID, WORD wLanguage, CZLKeywordArray& keywords,
                      long lParamSetID) {
  return GetKeywords(hDB, ID(lID), wLanguage, keywords, lParamSetID);
}
int ZLGetKeywordsByBookmark(void* hDB, const COleVariant& bm, WORD wLanguage,
                            CZLKeywordArray& keywords, long lParamSetID) {
  return GetKeywords(hDB, BM(bm), wLanguage, keywords, lParamSetID);
}
int ZLGetKeywordsByID(void* hDB, long lID, CZLKeywordMap& keywords, long lParamSetID) {
  return GetKeywordMap(hDB, ID(lID), keywords, lParamSetID);
}
int ZLGetKeywordsByBookmark(void* hDB, const COleVariant& bm, CZLKeywordMap& keywords,
                            long lParamSetID) {
  return GetKeywordMap(hDB, BM(bm), keywords, lParamSetID);
}
int ZLSetKeywordsByID(void* hDB, long lID, WORD wLanguage, const CZLKeywordArray& keywords,
                      long lParamSetID) {
  return SetKeywords(hDB, ID(lID), wLanguage, keywords, lParamSetID);
}
int ZLSetKeywordsByBookmark(void* hDB, const COleVariant& bm, WORD wLanguage,
                            const CZLKeywordArray& keywords, long lParamSetID) {
  return SetKeywords(hDB, BM(bm), wLanguage, keywords, lParamSetID);
}
int ZLSetKeywordsByID(void* hDB, long lID, const CZLKeywordMap& keywords, long lParamSetID) {
  return SetKeywordMap(hDB, ID(lID), keywords, lParamSetID);
}
int ZLSetKeywordsByBookmark(void* hDB, const COleVariant& bm, const CZLKeywordMap& keywords,
                            long lParamSetID) {
  return SetKeywordMap(hDB, BM(bm), keywords, lParamSetID);
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
  return GetSymbol(hDB, ID(lID), wLanguage, symbol);
}
int ZLGetSymbolByBookmark(void* hDB, const COleVariant& bm, WORD wLanguage, CString& symbol) {
  return GetSymbol(hDB, BM(bm), wLanguage, symbol);
}
int ZLGetSymbolsByID(void* hDB, long lID, CMap<WORD, WORD, CString, LPCSTR>& symbols) {
  return GetSymbols(hDB, ID(lID), symbols);
}
int ZLGetSymbolsByBookmark(void* hDB, const COleVariant& bm,
                           CMap<WORD, WORD, CString, LPCSTR>& symbols) {
  return GetSymbols(hDB, BM(bm), symbols);
}
int ZLSetSymbolByID(void* hDB, long lID, WORD wLanguage, const char* lpszSymbol) {
  return SetSymbol(hDB, ID(lID), wLanguage, lpszSymbol);
}
int ZLSetSymbolByBookmark(void* hDB, const COleVariant& bm, WORD wLanguage,
                          const char* lpszSymbol) {
  return SetSymbol(hDB, BM(bm), wLanguage, lpszSymbol);
}
