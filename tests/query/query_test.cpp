#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "platform/wildcard_match.h"
#include "tree/attribute_fixture.h"

namespace {

constexpr WORD kEN = 1033;
constexpr WORD kDE = 1031;
using Hit = std::pair<long, long>;  // record ID, parameter-set ID
using Hits = std::vector<Hit>;

class QueryTest : public AttributeFixture {
 protected:
  void SetUp() override {
    AttributeFixture::SetUp();
    for (WORD language : {kEN, kDE}) {
      const int added = ZLAddResourceTable(m_hDB, language);
      ASSERT_TRUE(added == 1 || ZLGetLastError() == ZLE_LANGUAGE_EXISTS);
    }
  }
  void Keywords(long id, WORD language, std::vector<std::string> words, long set = 0) {
    CZLKeywordArray array;
    for (const std::string& w : words) {
      auto* k = new CZLKeywordObject;
      k->m_strKeyword = w.c_str();
      k->m_wLanguage = language;
      array.Add(k);
    }
    EXPECT_EQ(ZLSetKeywordsByID(m_hDB, id, language, array, set), 1) << ZLGetLastError();
    ZLFreeObjectArray(array);
  }
  void Title(long id, WORD language, const char* text, long set = 0) {
    EXPECT_EQ(ZLSetTitleByID(m_hDB, id, language, text, set), 1) << ZLGetLastError();
  }
  Hits Run(CZLQueryObject& query) {
    EXPECT_EQ(query.DoQuery(m_hDB), 1) << ZLGetLastError();
    EXPECT_EQ(ZLGetLastError(), ZLE_OK);
    Hits hits;
    for (int i = 0; i < query.m_arrResults.GetSize(); ++i) {
      const CZLFindObject* f = query.m_arrResults[i];
      long id = 0;
      EXPECT_EQ(ZLGetIDByBookmark(m_hDB, f->m_varBookmark, id), 1);
      if ((query.m_dwCriteriaFlags & CZLQueryObject::kResultRecordID) != 0) {
        EXPECT_EQ(f->m_lRecordID, id);
      } else {
        EXPECT_EQ(f->m_lRecordID, 0);
      }
      hits.push_back({id, f->m_lParamSetID});
    }
    return hits;
  }
};

TEST_F(QueryTest, WithoutCriteriaEveryRecordAndSetHitsHighestFirst) {
  const std::vector<long> ids = NewRecords(3);
  const long s1 = NewParamSet(ids[1]);
  const long s2 = NewParamSet(ids[1]);
  const long s0 = NewParamSet(ids[0]);
  CZLQueryObject query;
  const Hits expected = {{ids[2], 0},  {ids[1], 0}, {ids[1], s2},
                         {ids[1], s1}, {ids[0], 0}, {ids[0], s0}};
  EXPECT_EQ(Run(query), expected);
  // Record IDs on request; Reset then drops the results and the criteria.
  query.SetResultType(static_cast<int>(CZLQueryObject::kResultRecordID));
  query.SetName("nothing like it");
  EXPECT_TRUE(Run(query).empty());
  query.Reset();
  EXPECT_EQ(query.m_arrResults.GetSize(), 0);
  EXPECT_EQ(query.m_dwCriteriaFlags, 0u);
  EXPECT_EQ(query.m_strName, "nothing like it");
  EXPECT_EQ(Run(query), expected);
}

TEST_F(QueryTest, TitleOfASetHitsTheSetAloneAndRecordCriteriaApplyToIt) {
  const long id = NewRecord();
  const long other = NewRecord();
  const long first = NewParamSet(id);
  const long second = NewParamSet(id);
  Title(id, kEN, "Amplifier");
  Title(first, kEN, "Variant A", first);
  Title(second, kDE, "Variante B", second);
  Title(other, kDE, "Variante B");
  ASSERT_EQ(ZLSetDefNameByID(m_hDB, id, "OPA1"), 1);
  ASSERT_EQ(ZLSetDefNameByID(m_hDB, other, "OPA2"), 1);
  CZLQueryObject query;
  query.SetTitle("Variante B", kDE);
  EXPECT_EQ(Run(query), (Hits{{other, 0}, {id, second}}));
  query.SetName("OPA1");
  EXPECT_EQ(Run(query), (Hits{{id, second}}));
  query.SetName("OPA3");
  EXPECT_TRUE(Run(query).empty());
  // Any language; the language of the sought title counts when given.
  query.Reset();
  query.SetTitle("Variante B", kEN);
  EXPECT_TRUE(Run(query).empty());
  query.SetTitle("*ant*", 0);
  query.SetUseWildcardsFlag(1);
  EXPECT_EQ(Run(query), (Hits{{other, 0}, {id, second}, {id, first}}));
  query.SetIgnoreCaseFlag(1);
  query.SetTitle("VARIANT?A", 0);
  EXPECT_EQ(Run(query), (Hits{{id, first}}));
}

TEST_F(QueryTest, NameMatchingCaseWildcardsAndEmptyNames) {
  const std::vector<long> ids = NewRecords(4);
  ASSERT_EQ(ZLSetDefNameByID(m_hDB, ids[0], "Res"), 1);
  ASSERT_EQ(ZLSetDefNameByID(m_hDB, ids[1], "RESISTOR"), 1);
  ASSERT_EQ(ZLSetDefNameByID(m_hDB, ids[2], "r\xC3\xA9s"), 1);  // res with e-acute
  SetRaw(zl::ZLT_MAIN, ids[3], "DEFNAME", COleVariant(""));
  struct Row {
    const char* name;
    bool wildcards, ignoreCase;
    Hits hits;
  } rows[] = {
      {"RES", false, false, {}},
      {"RES", false, true, {{ids[0], 0}}},
      {"res*", true, true, {{ids[1], 0}, {ids[0], 0}}},
      {"R\xC3\x89S", false, true, {{ids[2], 0}}},  // upper-case E-acute folds too
      {"r?s", true, false, {{ids[2], 0}}},
      {"*", true, false, {{ids[3], 0}, {ids[2], 0}, {ids[1], 0}, {ids[0], 0}}},
      {"", false, false, {{ids[3], 0}}},
      {"", true, false, {}},
  };
  for (const Row& row : rows) {
    CZLQueryObject query;
    query.SetName(row.name);
    query.SetUseWildcardsFlag(row.wildcards);
    query.SetIgnoreCaseFlag(row.ignoreCase);
    EXPECT_EQ(Run(query), row.hits) << row.name << " " << row.wildcards << row.ignoreCase;
  }
}

TEST_F(QueryTest, KeywordsOfTheRecordCountForItsSets) {
  const long id = NewRecord();
  const long other = NewRecord();
  const long set = NewParamSet(id);
  const long otherSet = NewParamSet(other);
  Keywords(id, kEN, {"opamp", "dual"});
  Keywords(other, kDE, {"Verstärker"});
  Keywords(other, kEN, {"single"});
  Keywords(other, kEN, {"low noise"}, otherSet);
  CZLQueryObject query;
  query.SetKeyword("dual", kEN);
  EXPECT_EQ(Run(query), (Hits{{id, 0}, {id, set}}));
  query.SetKeyword("low noise", 0);
  EXPECT_EQ(Run(query), (Hits{{other, otherSet}}));
  query.SetKeyword("dual", kDE);
  EXPECT_TRUE(Run(query).empty());
  query.SetKeyword("*ä*", 0);
  query.SetUseWildcardsFlag(1);
  EXPECT_EQ(Run(query), (Hits{{other, 0}, {other, otherSet}}));
  query.SetKeyword("*", 1040);  // a language without tables
  EXPECT_TRUE(Run(query).empty());
}

TEST_F(QueryTest, DatesAreInclusiveAndUnreadableDatesFail) {
  const std::vector<long> ids = NewRecords(4);
  const COleDateTime d1(2024, 1, 1, 0, 0, 0), d2(2024, 6, 1, 12, 0, 0), d3(2025, 1, 1, 0, 0, 0);
  ASSERT_EQ(ZLSetCreatedDateByID(m_hDB, ids[0], d1, 0), 1);
  ASSERT_EQ(ZLSetCreatedDateByID(m_hDB, ids[1], d2, 0), 1);
  ASSERT_EQ(ZLSetCreatedDateByID(m_hDB, ids[2], d3, 0), 1);
  ASSERT_EQ(ZLSetModifiedDateByID(m_hDB, ids[1], d3, 0), 1);
  const long set = NewParamSet(ids[1]);
  CZLQueryObject query;
  query.SetFirstCreationDate(d1);
  query.SetLastCreationDate(d2);
  EXPECT_EQ(Run(query), (Hits{{ids[1], 0}, {ids[1], set}, {ids[0], 0}}));
  query.Reset();
  query.SetLastCreationDate(d1);
  EXPECT_EQ(Run(query), (Hits{{ids[0], 0}}));
  query.Reset();
  query.SetFirstModificationDate(d3);
  query.SetLastModificationDate(d3);
  EXPECT_EQ(Run(query), (Hits{{ids[1], 0}, {ids[1], set}}));
}

TEST_F(QueryTest, NodeCounts) {
  const std::vector<long> ids = NewRecords(2);
  auto nodes = [&](long id, int c, int nc) {
    CZLNodeArray conservative, other;
    for (int i = 0; i < c; ++i) conservative.Add(new CZLNodeObject);
    for (int i = 0; i < nc; ++i) other.Add(new CZLNodeObject);
    EXPECT_EQ(ZLSetNodesCByID(m_hDB, id, conservative), 1) << ZLGetLastError();
    EXPECT_EQ(ZLSetNodesNCByID(m_hDB, id, other, 0), 1) << ZLGetLastError();
    ZLFreeObjectArray(conservative);
    ZLFreeObjectArray(other);
  };
  nodes(ids[0], 2, 1);
  nodes(ids[1], 1, 2);
  const long set = NewParamSet(ids[0]);
  struct Row {
    int c, nc, total;
    Hits hits;
  } rows[] = {
      {2, -2, -2, {{ids[0], 0}, {ids[0], set}}},
      {-2, 2, -2, {{ids[1], 0}}},
      {-2, -2, 3, {{ids[1], 0}, {ids[0], 0}, {ids[0], set}}},
      {1, 2, 3, {{ids[1], 0}}},
      {2, 2, -2, {}},
  };
  for (const Row& row : rows) {
    CZLQueryObject query;
    if (row.c != -2) query.SetNumberOfNodesC(row.c);
    if (row.nc != -2) query.SetNumberOfNodesNC(row.nc);
    if (row.total != -2) query.SetNumberOfNodes(row.total);
    EXPECT_EQ(Run(query), row.hits) << row.c << " " << row.nc << " " << row.total;
  }
}

TEST_F(QueryTest, FailsOnlyForABadHandle) {
  NewRecord();
  CZLQueryObject query;
  ASSERT_EQ(query.DoQuery(m_hDB), 1);
  ASSERT_EQ(query.m_arrResults.GetSize(), 1);
  int garbage = 0;
  EXPECT_EQ(query.DoQuery(&garbage), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_BAD_HANDLE);
  EXPECT_EQ(query.m_arrResults.GetSize(), 0);
}

// The search against a plain evaluation through the public reads, on a
// seeded random library and random combinations of criteria.
TEST_F(QueryTest, AgreesWithCandidateByCandidateEvaluation) {
  const unsigned seed = 71;
  std::mt19937 random(seed);
  const char* words[] = {"amp", "Amp", "AMPLIFIER", "diode", "Diode", "low", "lowamp", "x"};
  auto word = [&] { return std::string(words[random() % 8]); };
  std::vector<long> ids = NewRecords(40);
  for (long id : ids) {
    if (random() % 4 != 0) {
      ASSERT_EQ(ZLSetDefNameByID(m_hDB, id, word().c_str()), 1);
    }
    if (random() % 3 != 0) Title(id, random() % 2 ? kEN : kDE, (word() + " " + word()).c_str());
    if (random() % 2 != 0) Keywords(id, random() % 2 ? kEN : kDE, {word(), word()});
    for (int s = static_cast<int>(random() % 3); s > 0; --s) {
      const long set = NewParamSet(id);
      if (random() % 2 != 0) Title(id, kEN, word().c_str(), set);
      if (random() % 2 != 0) Keywords(id, kEN, {word()}, set);
    }
  }
  auto matches = [](std::string text, std::string sought, bool wild, bool icase) {
    if (icase) {
      CString t(text.c_str()), s(sought.c_str());
      t.MakeUpper();
      s.MakeUpper();
      text = t.str();
      sought = s.str();
    }
    return wild ? zl::MatchWildcards(text, sought) : text == sought;
  };
  const char* patterns[] = {"amp", "*amp*", "AMP*", "?iode", "*", "low*", "x", "*r"};
  for (int round = 0; round < 60; ++round) {
    CZLQueryObject query;
    const bool wild = random() % 2, icase = random() % 2;
    query.SetUseWildcardsFlag(wild);
    query.SetIgnoreCaseFlag(icase);
    const int which = static_cast<int>(random() % 8);
    const std::string name = patterns[random() % 8], title = patterns[random() % 8],
                      keyword = patterns[random() % 8];
    const WORD titleLanguage = random() % 2 ? 0 : kEN;
    const WORD keywordLanguage = random() % 2 ? 0 : kDE;
    if (which & 1) query.SetName(name.c_str());
    if (which & 2) query.SetTitle(title.c_str(), titleLanguage);
    if (which & 4) query.SetKeyword(keyword.c_str(), keywordLanguage);
    Hits expected;
    for (auto it = ids.rbegin(); it != ids.rend(); ++it) {
      std::vector<long> candidates = {0};
      {
        zl::CHandleLock lock(m_hDB);
        CZLRecordset& rs = Rs(lock, zl::ZLT_PARAMSET);
        for (long p = 1; p < 1000; ++p) {
          COleVariant key(static_cast<int32_t>(p));
          if (!rs.Seek("=", &key)) break;
          if (rs.GetFieldValue("MODEL_ID").lVal == *it)
            candidates.insert(candidates.begin() + 1, p);
        }
      }
      for (long set : candidates) {
        bool ok = true;
        if (which & 1) {
          CString defName;
          ok = ZLGetDefNameByID(m_hDB, *it, defName) == 1 &&
               matches(defName.str(), name, wild, icase);
        }
        if (ok && (which & 4)) {
          CZLKeywordMap map;
          ok = false;
          if (ZLGetKeywordsByID(m_hDB, *it, map, set) == 1) {
            for (POSITION pos = map.GetStartPosition(); pos != nullptr;) {
              WORD language = 0;
              CZLKeywordArray* array = nullptr;
              map.GetNextAssoc(pos, language, array);
              if (keywordLanguage != 0 && language != keywordLanguage) continue;
              for (int i = 0; i < array->GetSize(); ++i) {
                ok = ok || matches((*array)[i]->m_strKeyword.str(), keyword, wild, icase);
              }
            }
          }
          ZLFreeKeywordMap(map);
        }
        if (ok && (which & 2)) {
          CMap<WORD, WORD, CString, LPCSTR> texts;
          ok = false;
          if (ZLGetTitleByID(m_hDB, *it, texts, set) == 1) {
            for (POSITION pos = texts.GetStartPosition(); pos != nullptr;) {
              WORD language = 0;
              CString text;
              texts.GetNextAssoc(pos, language, text);
              if (titleLanguage != 0 && language != titleLanguage) continue;
              ok = ok || matches(text.str(), title, wild, icase);
            }
          }
        }
        if (ok) expected.push_back({*it, set});
      }
    }
    ASSERT_EQ(Run(query), expected)
        << "seed " << seed << " round " << round << " which " << which << " name '" << name
        << "' title '" << title << "'/" << titleLanguage << " keyword '" << keyword << "'/"
        << keywordLanguage << " wild " << wild << " icase " << icase;
  }
}

TEST_F(QueryTest, BookmarksByDefinitionNameKeepCase) {
  const std::vector<long> ids = NewRecords(5);
  const char* names[] = {"RES", "Res", "RES", "CAP", "RESX"};
  for (int i = 0; i < 5; ++i) ASSERT_EQ(ZLSetDefNameByID(m_hDB, ids[i], names[i]), 1);
  CTypedPtrArray<CPtrArray, COleVariant*> bookmarks;
  bookmarks.Add(new COleVariant(1L));  // replaced and freed
  ASSERT_EQ(ZLGetMacrosBookmarkByDefName(m_hDB, "RES", bookmarks), 1);
  std::vector<long> found;
  for (int i = 0; i < bookmarks.GetSize(); ++i) {
    long id = 0;
    EXPECT_EQ(ZLGetIDByBookmark(m_hDB, *bookmarks[i], id), 1);
    found.push_back(id);
  }
  EXPECT_EQ(found, (std::vector<long>{ids[0], ids[2]}));
  ASSERT_EQ(ZLGetMacrosBookmarkByDefName(m_hDB, "res", bookmarks), 1);
  EXPECT_EQ(bookmarks.GetSize(), 0);
  ASSERT_EQ(ZLGetMacrosBookmarkByDefName(m_hDB, "CAP", bookmarks), 1);
  EXPECT_EQ(bookmarks.GetSize(), 1);
  int garbage = 0;
  EXPECT_EQ(ZLGetMacrosBookmarkByDefName(&garbage, "CAP", bookmarks), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_BAD_HANDLE);
  EXPECT_EQ(bookmarks.GetSize(), 0);
  // The index is MAIN's own again: look-ups by ID still work.
  long check = 0;
  EXPECT_EQ(ZLGetIDByBookmark(m_hDB, BookmarkOf(ids[4]), check), 1);
  EXPECT_EQ(check, ids[4]);
}

}  // namespace
