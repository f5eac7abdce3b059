// Keywords per language and parameter set, shared keyword rows, the
// database lists; symbols per language; codes and all-or-nothing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/simlang_fixture.h"

namespace {

constexpr WORD kEN = 1033;
constexpr WORD kDE = 1031;

class KeywordTest : public SimLangTest {
 protected:
  void SetUp() override {
    SimLangTest::SetUp();
    for (WORD language : {kEN, kDE}) {
      const int added = ZLAddResourceTable(m_hDB, language);
      ASSERT_TRUE(added == 1 || ZLGetLastError() == ZLE_LANGUAGE_EXISTS);
    }
    m_id = NewRecord(&m_mark);
  }
  int Set(const std::vector<std::string>& texts, long set = 0, WORD language = kEN,
          long record = 0) {
    CZLKeywordArray keywords;
    for (const std::string& text : texts) {
      auto* keyword = new CZLKeywordObject;
      keyword->m_strKeyword = text.c_str();
      keyword->m_lKeywordID = 424242;  // not used by the write
      keywords.Add(keyword);
    }
    const int result =
        ZLSetKeywordsByID(m_hDB, record == 0 ? m_id : record, language, keywords, set);
    ZLFreeObjectArray(keywords);
    return result;
  }
  std::vector<std::string> Get(long set = 0, WORD language = kEN, long record = 0) {
    CZLKeywordArray keywords;
    EXPECT_EQ(ZLGetKeywordsByBookmark(m_hDB, m_mark, language, keywords, set), 1);
    if (record != 0) {
      EXPECT_EQ(ZLGetKeywordsByID(m_hDB, record, language, keywords, set), 1);
    }
    std::vector<std::string> texts;
    for (int i = 0; i < keywords.GetSize(); ++i) {
      EXPECT_EQ(keywords[i]->m_wLanguage, language);
      texts.push_back(keywords[i]->m_strKeyword.str());
    }
    ZLFreeObjectArray(keywords);
    return texts;
  }
  // Every keyword text of the language as "id:text".
  std::vector<std::string> All(WORD language = kEN) {
    CZLKeywordArray keywords;
    EXPECT_EQ(ZLGetDBKeywords(m_hDB, language, keywords), 1);
    std::vector<std::string> texts;
    for (int i = 0; i < keywords.GetSize(); ++i) {
      texts.push_back(std::to_string(keywords[i]->m_lKeywordID) + ":" +
                      keywords[i]->m_strKeyword.str());
    }
    ZLFreeObjectArray(keywords);
    return texts;
  }

  long m_id = 0;
  COleVariant m_mark;
};

TEST_F(KeywordTest, CaseVariantsAreDistinctAndSharedTextsKeepOneRow) {
  ASSERT_EQ(Set({"Filter", "filter", "Amp"}), 1);
  const long other = NewRecord();
  ASSERT_EQ(Set({"filter", "new"}, 0, kEN, other), 1);
  EXPECT_EQ(All(), (std::vector<std::string>{"1:Filter", "2:filter", "3:Amp", "4:new"}));
  EXPECT_EQ(Get(), (std::vector<std::string>{"Filter", "filter", "Amp"}));
  EXPECT_EQ(Get(0, kDE), std::vector<std::string>{});  // per language
  // A shorter list rewrites the links; keyword rows stay.
  ASSERT_EQ(Set({"Amp"}), 1);
  EXPECT_EQ(Get(), std::vector<std::string>{"Amp"});
  ASSERT_EQ(Set({}), 1);
  EXPECT_EQ(Get(), std::vector<std::string>{});
  EXPECT_EQ(All().size(), 4u);
  CZLKeywordArray keywords;
  ASSERT_EQ(ZLGetKeywordsByID(m_hDB, other, kEN, keywords, 0), 1);
  ASSERT_EQ(keywords.GetSize(), 2);
  EXPECT_EQ(keywords[0]->m_lKeywordID, 2);
  ZLFreeObjectArray(keywords);
  EXPECT_EQ(ZLSetDBKeywords(m_hDB, kEN, keywords), 1);  // stores nothing
  EXPECT_EQ(All().size(), 4u);
}

TEST_F(KeywordTest, ASetStoresOnlyWhatItAddsAndReadsTheOwnKeywordsFirst) {
  ASSERT_EQ(Set({"own1", "own2"}), 1);
  ASSERT_EQ(Set({"own2", "extra", "own1"}, 5), 1);
  EXPECT_EQ(Get(5), (std::vector<std::string>{"own1", "own2", "extra"}));
  EXPECT_EQ(Get(6), (std::vector<std::string>{"own1", "own2"}));
  EXPECT_EQ(Get(0), (std::vector<std::string>{"own1", "own2"}));
  ASSERT_EQ(Set({"OWN1"}, 5), 1);  // byte for byte: a different keyword
  EXPECT_EQ(Get(5), (std::vector<std::string>{"own1", "own2", "OWN1"}));
}

TEST_F(KeywordTest, MapsCoverEveryLanguageInOneTransaction) {
  CZLKeywordMap map;
  for (WORD language : {kEN, kDE}) {
    auto* array = new CZLKeywordArray;
    auto* keyword = new CZLKeywordObject;
    keyword->m_strKeyword = language == kEN ? "amplifier" : "Verstaerker";
    array->Add(keyword);
    map[language] = array;
  }
  ASSERT_EQ(ZLSetKeywordsByBookmark(m_hDB, m_mark, map, 0), 1);
  ZLFreeKeywordMap(map);
  ASSERT_EQ(ZLGetKeywordsByID(m_hDB, m_id, map, 0), 1);
  ASSERT_EQ(map.GetCount(), 2);
  EXPECT_EQ(map[kDE]->GetAt(0)->m_strKeyword.str(), "Verstaerker");
  EXPECT_EQ(map[kEN]->GetAt(0)->m_wLanguage, kEN);
  ZLFreeKeywordMap(map);
  // A language without tables fails the whole map.
  const std::string before = Image();
  for (WORD language : {kEN, WORD{0x0410}}) {
    auto* array = new CZLKeywordArray;
    auto* keyword = new CZLKeywordObject;
    keyword->m_strKeyword = "lost";
    array->Add(keyword);
    map[language] = array;
  }
  EXPECT_EQ(FailCode(ZLSetKeywordsByID(m_hDB, m_id, map, 0)), ZLE_NO_LANGUAGE);
  ZLFreeKeywordMap(map);
  EXPECT_TRUE(Image() == before);
}

TEST_F(KeywordTest, CodesForRecordsBookmarksAndLanguages) {
  CZLKeywordArray keywords;
  COleVariant bad(static_cast<int32_t>(3));
  CString symbol;
  EXPECT_EQ(FailCode(ZLGetKeywordsByID(m_hDB, m_id, 0x0410, keywords, 0)), ZLE_NO_LANGUAGE);
  EXPECT_EQ(FailCode(ZLGetKeywordsByBookmark(m_hDB, bad, kEN, keywords, 0)), ZLE_BAD_BOOKMARK);
  EXPECT_EQ(FailCode(ZLGetDBKeywords(m_hDB, 0x0410, keywords)), ZLE_NO_LANGUAGE);
  EXPECT_EQ(FailCode(Set({"x"}, 0, kEN, m_id + 50)), ZLE_NO_RECORD);
  EXPECT_EQ(FailCode(Set({"x"}, 0, 0x0410)), ZLE_NO_LANGUAGE);
  EXPECT_EQ(FailCode(ZLGetSymbolByID(m_hDB, m_id, kEN, symbol)), ZLE_NO_RESOURCE_TEXT);
  EXPECT_EQ(FailCode(ZLGetSymbolByID(m_hDB, m_id, 0x0410, symbol)), ZLE_NO_LANGUAGE);
  EXPECT_EQ(FailCode(ZLSetSymbolByID(m_hDB, m_id + 50, kEN, "s")), ZLE_NO_RECORD);
  EXPECT_EQ(FailCode(ZLSetSymbolByBookmark(m_hDB, bad, kEN, "s")), ZLE_BAD_BOOKMARK);
  EXPECT_EQ(FailCode(ZLGetKeywordsByID(m_hDB, m_id + 50, kEN, keywords, 0)), -1);
}

TEST_F(KeywordTest, SymbolsPerLanguageWithEmptyTexts) {
  ASSERT_EQ(ZLSetSymbolByBookmark(m_hDB, m_mark, kDE, "R1 1 2"), 1);
  CMap<WORD, WORD, CString, LPCSTR> symbols;
  symbols[0x0410] = "stale";
  ASSERT_EQ(ZLGetSymbolsByID(m_hDB, m_id, symbols), 1);
  ASSERT_EQ(symbols.GetCount(), 1);
  EXPECT_EQ(symbols[kDE].str(), "R1 1 2");
  ASSERT_EQ(ZLSetSymbolByID(m_hDB, m_id, kDE, "R2"), 1);
  ASSERT_EQ(ZLSetSymbolByID(m_hDB, m_id, kEN, ""), 1);
  CString symbol = "old";
  ASSERT_EQ(ZLGetSymbolByBookmark(m_hDB, m_mark, kEN, symbol), 1);  // empty is a text
  EXPECT_EQ(symbol.str(), "");
  ASSERT_EQ(ZLGetSymbolByID(m_hDB, m_id, kDE, symbol), 1);
  EXPECT_EQ(symbol.str(), "R2");
  ASSERT_EQ(ZLGetSymbolsByBookmark(m_hDB, m_mark, symbols), 1);
  EXPECT_EQ(symbols.GetCount(), 2);
}

}  // namespace
