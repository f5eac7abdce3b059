#include "keywords/keyword_rows.h"

#include <cstring>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "content/row_patterns.h"
#include "frame/transaction.h"
#include "resources/language_texts.h"
#include "resources/resource_tables.h"
#include "schema/zl_recordset.h"
#include "zldbctrl70/errors.h"

namespace zl {
namespace {

constexpr const char kModelID[] = "MODEL_ID";
constexpr const char kParamID[] = "PARAM_ID";
constexpr const char kKeywordID[] = "KEYWORD_ID";
constexpr const char kKeyword[] = "KEYWORD";

struct ZLKeywordTables {
  CZLRecordset* words = nullptr;  // current index KEYWORD_ID_INDEX
  CZLRecordset* links = nullptr;  // current index MODEL_ID_INDEX
};

int FindKeywordTables(ZLHandleRecord& record, WORD language, ZLKeywordTables& tables) {
  const int found = FindResourceTable(record, ZLR_KEYWORD, language, tables.words);
  return found != ZLE_OK ? found : FindResourceTable(record, ZLR_KEYWORDID, language, tables.links);
}

std::string TextOf(const COleVariant& value) {
  return value.vt == VT_BSTR ? std::string(value.GetStringValue(), value.GetStringLength())
                             : std::string();
}

CZLKeywordObject* NewKeyword(const std::string& text, WORD language, long id) {
  std::unique_ptr<CZLKeywordObject> keyword(new CZLKeywordObject);
  keyword->m_strKeyword = text.c_str();
  keyword->m_wLanguage = language;
  keyword->m_lKeywordID = id;
  return keyword.release();
}

void Append(CZLKeywordArray& keywords, CZLKeywordObject* keyword) {
  std::unique_ptr<CZLKeywordObject> owned(keyword);
  keywords.Add(owned.get());
  owned.release();
}

// The link rows of (record, set) in index order.
void ForEachLink(CZLRecordset& links, long recordID, long paramSetID,
                 const std::function<void(CZLRecordset&)>& visit) {
  COleVariant keys[2] = {IDKey(recordID), IDKey(paramSetID)};
  if (!links.Seek("=", keys, 2)) return;
  do {
    visit(links);
  } while (links.SeekNext(kModelID, &keys[0], kParamID, &keys[1]));
}

void ReadLinks(const ZLKeywordTables& tables, WORD language, long recordID, long paramSetID,
               CZLKeywordArray& keywords) {
  std::vector<long> ids;
  ForEachLink(*tables.links, recordID, paramSetID,
              [&](CZLRecordset& link) { ids.push_back(link.GetFieldValue(kKeywordID).lVal); });
  for (long id : ids) {
    if (!SeekID(*tables.words, id)) continue;
    Append(keywords, NewKeyword(TextOf(tables.words->GetFieldValue(kKeyword)), language, id));
  }
}

// The ID of the keyword row holding text byte for byte, added when none does.
long KeywordRow(CZLRecordset& words, const std::string& text) {
  CIndexSwitch index(words, "KEYWORD_INDEX");
  COleVariant key(text.c_str());
  if (words.Seek("=", &key)) {
    do {
      if (TextOf(words.GetFieldValue(kKeyword)) == text) {
        return words.GetFieldValue(kKeywordID).lVal;
      }
    } while (words.SeekNext(kKeyword, &key));
  }
  CRowWrite row(words, CRowWrite::kAddNew);
  row.Set(kKeyword, key);
  row.Update();
  words.SetBookmark(words.GetLastModifiedBookmark());
  return words.GetFieldValue(kKeywordID).lVal;
}

}  // namespace

int ReadKeywords(ZLHandleRecord& record, WORD language, long recordID, long paramSetID,
                 CZLKeywordArray& keywords) {
  ZLKeywordTables tables;
  const int code = FindKeywordTables(record, language, tables);
  if (code != ZLE_OK) return code;
  if (!FitsID(recordID) || !FitsID(paramSetID)) return ZLE_NO_RECORD;
  if (paramSetID != 0) ReadLinks(tables, language, recordID, 0, keywords);
  ReadLinks(tables, language, recordID, paramSetID, keywords);
  return ZLE_OK;
}

int WriteKeywords(ZLHandleRecord& record, WORD language, long recordID, long paramSetID,
                  const CZLKeywordArray& keywords) {
  ZLKeywordTables tables;
  const int code = FindKeywordTables(record, language, tables);
  if (code != ZLE_OK) return code;
  if (!FitsID(recordID) || !FitsID(paramSetID)) return ZLE_NO_RECORD;
  std::unordered_set<std::string> own;
  if (paramSetID != 0) {
    CZLKeywordArray ownKeywords;
    ReadLinks(tables, language, recordID, 0, ownKeywords);
    for (int i = 0; i < ownKeywords.GetSize(); ++i) own.insert(ownKeywords[i]->m_strKeyword.str());
    ZLFreeObjectArray(ownKeywords);
  }
  std::vector<std::string> texts;
  for (int i = 0; i < keywords.GetSize(); ++i) {
    if (keywords[i] == nullptr) continue;
    std::string text = keywords[i]->m_strKeyword.str();
    if (own.count(text) == 0) texts.push_back(std::move(text));
  }
  CTransaction transaction;
  std::vector<long> ids;
  for (const std::string& text : texts) ids.push_back(KeywordRow(*tables.words, text));
  OverwriteInPlace(*tables.links, kModelID, recordID, kParamID, paramSetID, ids.size(),
                   [&](size_t i, CRowWrite& row) { row.Set(kKeywordID, IDKey(ids[i])); });
  transaction.Commit();
  return ZLE_OK;
}

int ReadAllKeywords(ZLHandleRecord& record, WORD language, CZLKeywordArray& keywords) {
  CZLRecordset* words = nullptr;
  const int found = FindResourceTable(record, ZLR_KEYWORD, language, words);
  if (found != ZLE_OK) return found;
  if (words->GetRecordCount() == 0) return ZLE_OK;
  words->MoveFirst();
  while (!words->IsEOF()) {
    Append(keywords, NewKeyword(TextOf(words->GetFieldValue(kKeyword)), language,
                                words->GetFieldValue(kKeywordID).lVal));
    words->MoveNext();
  }
  return ZLE_OK;
}

int ReadSymbol(ZLHandleRecord& record, WORD language, long recordID, CString& symbol) {
  CZLRecordset* symbols = nullptr;
  const int found = FindResourceTable(record, ZLR_SYMBOLS, language, symbols);
  if (found != ZLE_OK) return found;
  if (!SeekID(*symbols, recordID)) return ZLE_NO_RESOURCE_TEXT;
  symbol = TextOf(symbols->GetFieldValue("SYMBOL_TEXT")).c_str();
  return ZLE_OK;
}

int WriteSymbol(ZLHandleRecord& record, WORD language, long recordID, const char* symbol) {
  CZLRecordset* symbols = nullptr;
  const int found = FindResourceTable(record, ZLR_SYMBOLS, language, symbols);
  if (found != ZLE_OK) return found;
  UpsertRow(*symbols, {kModelID}, {IDKey(recordID)}, [&](CRowWrite& row) {
    row.Set("SYMBOL_TEXT", COleVariant(symbol != nullptr ? symbol : ""));
  });
  return ZLE_OK;
}

int DeleteKeywordLinks(ZLHandleRecord& record, WORD language, long recordID) {
  ZLKeywordTables tables;
  const int code = FindKeywordTables(record, language, tables);
  if (code != ZLE_OK) return code;
  CTransaction transaction;
  ForEachOwnedRow(*tables.links, kModelID, recordID, [](CZLRecordset& link) {
    link.Delete();
    return true;
  });
  transaction.Commit();
  return ZLE_OK;
}

int DeleteSymbol(ZLHandleRecord& record, WORD language, long recordID) {
  CZLRecordset* symbols = nullptr;
  const int found = FindResourceTable(record, ZLR_SYMBOLS, language, symbols);
  if (found != ZLE_OK) return found;
  if (!SeekID(*symbols, recordID)) return ZLE_NO_RESOURCE_TEXT;
  symbols->Delete();
  return ZLE_OK;
}

}  // namespace zl
