// Title and information in one and in all languages: resource IDs, codes,
// the parameter-set argument, the layout stamp, and all-or-nothing writes.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "engine/faults.h"
#include "tree/attribute_fixture.h"

namespace {

using zl::engine::CFaultInjector;
using zl::engine::CFaultScope;
using zl::engine::FaultKind;
using CTextMap = CMap<WORD, WORD, CString, LPCSTR>;
using Texts = std::map<WORD, std::string>;

constexpr WORD kEnglish = 1033, kGerman = 1031, kFrench = 1036;
constexpr WORD kNoTable = 0x0C0A;

Texts Entries(const CTextMap& map) {
  Texts entries;
  WORD language = 0;
  CString text;
  for (POSITION pos = map.GetStartPosition(); pos != nullptr;) {
    map.GetNextAssoc(pos, language, text);
    entries[language] = text.str();
  }
  return entries;
}

class LangTextTest : public AttributeFixture {
 protected:
  void SetUp() override {
    AttributeFixture::SetUp();
    for (WORD language : {kEnglish, kGerman}) ASSERT_EQ(ZLAddResourceTable(m_hDB, language), 1);
  }
  // What an all-language write may change: the resource ID, the counter
  // and both languages' texts.
  std::string State(long id, const char* field) {
    const COleVariant resID = RawMain(id, field);
    std::string s = std::to_string(RowCount(zl::ZLT_RESID)) + "/";
    if (resID.vt == VT_NULL) return s + "null";
    return s + std::to_string(resID.lVal) + "/" + StoredText(resID, kEnglish) + "/" +
           StoredText(resID, kGerman);
  }
};

TEST_F(LangTextTest, TheFirstTextAllocatesAResourceIDThatLaterTextsReuse) {
  COleVariant mark;
  const long id = NewRecord(&mark);
  const long counter = RowCount(zl::ZLT_RESID);
  ASSERT_EQ(ZLSetTitleByID(m_hDB, id, kGerman, "Widerstand", 0), 1);
  const COleVariant titleID = RawMain(id, "TITLE");
  ASSERT_EQ(titleID.vt, VT_I4);
  ASSERT_EQ(ZLSetTitleByBookmark(m_hDB, mark, kEnglish, "Resistor", 0), 1);
  // All languages at once: the entries given are written, the others kept.
  CTextMap texts;
  texts[kEnglish] = "Resistor, linear";
  AgeLayoutStamp();
  ASSERT_EQ(ZLSetTitleByBookmark(m_hDB, mark, texts, 0), 1);
  EXPECT_TRUE(LayoutStampRenewed());
  EXPECT_TRUE(RawMain(id, "TITLE") == titleID && RowCount(zl::ZLT_RESID) == counter + 1);
  ASSERT_EQ(ZLGetTitleByID(m_hDB, id, texts, 0), 1);
  EXPECT_EQ(Entries(texts), (Texts{{kEnglish, "Resistor, linear"}, {kGerman, "Widerstand"}}));
  CString text;
  EXPECT_TRUE(ZLGetTitleByBookmark(m_hDB, mark, kEnglish, text, 0) == 1 &&
              text == "Resistor, linear");

  ASSERT_EQ(ZLSetInfoByBookmark(m_hDB, mark, kGerman, "", 0), 1);
  EXPECT_NE(RawMain(id, "INFO"), titleID);
  text = "stale";  // empty, not missing
  EXPECT_TRUE(ZLGetInfoByID(m_hDB, id, kGerman, text, 0) == 1 && text.IsEmpty());
  const long bare = NewRecord();
  ASSERT_EQ(ZLSetInfoByID(m_hDB, bare, CTextMap(), 0), 1);  // only a resource ID
  EXPECT_EQ(RawMain(bare, "INFO").vt, VT_I4);
  EXPECT_TRUE(ZLGetInfoByID(m_hDB, bare, texts, 0) == 1 && texts.GetCount() == 0);
}

TEST_F(LangTextTest, EachTextRuleHasItsCodeAndOnlySuccessStamps) {
  COleVariant mark;
  const long id = NewRecord(&mark);
  CString text("keep");
  auto outcome = [](int result) { return std::pair<int, int>(result, ZLGetLastError()); };
  const std::vector<std::pair<int, int>> seen = {
      outcome(ZLGetTitleByID(m_hDB, id, kEnglish, text, 0)),
      outcome(ZLSetTitleByID(m_hDB, id, kEnglish, "only English", 0)),
      outcome(ZLGetTitleByBookmark(m_hDB, mark, kGerman, text, 0)),
      outcome(ZLGetTitleByID(m_hDB, id, kNoTable, text, 0)),
      outcome(ZLGetInfoByID(m_hDB, id + 1, kEnglish, text, 0)),
      outcome(ZLGetInfoByBookmark(m_hDB, ForeignBookmark(), kEnglish, text, 0)),
  };
  const std::vector<std::pair<int, int>> expected = {
      {0, ZLE_NULL_VALUE},  {1, ZLE_OK},        {0, ZLE_NO_RESOURCE_TEXT},
      {0, ZLE_NO_LANGUAGE}, {0, ZLE_NO_RECORD}, {0, ZLE_BAD_BOOKMARK}};
  EXPECT_EQ(seen, expected);
  EXPECT_STREQ(text, "keep");

  // A store that fails leaves nothing: no resource ID, no stamp.
  const long counter = RowCount(zl::ZLT_RESID);
  AgeLayoutStamp();
  EXPECT_EQ(FailCode(ZLSetInfoByID(m_hDB, id, kNoTable, "nowhere", 0)), ZLE_NO_LANGUAGE);
  EXPECT_TRUE(RawMain(id, "INFO").vt == VT_NULL && RowCount(zl::ZLT_RESID) == counter);
  EXPECT_EQ(FailCode(ZLSetTitleByID(m_hDB, id, kEnglish, std::string(256, 't').c_str(), 0)),
            ZLE_ENGINE);
  EXPECT_FALSE(LayoutStampRenewed());
  EXPECT_TRUE(ZLSetInfoByBookmark(m_hDB, mark, kEnglish, "somewhere", 0) == 1 &&
              LayoutStampRenewed());

  const long untitled = NewRecord();
  CFaultScope faults;  // the new counter row's bookmark cannot be allocated
  CFaultInjector::FailNth(FaultKind::kAllocation, 1);
  EXPECT_EQ(FailCode(ZLSetTitleByID(m_hDB, untitled, kEnglish, "t", 0)), ZLE_OUT_OF_MEMORY);
}

// Scalar attributes and texts alike: a non-zero parameter-set ID names a
// PARAMSET row and the record ID or bookmark is not looked at.
TEST_F(LangTextTest, TheParameterSetArgumentSwitchesToThePARAMSETRow) {
  COleVariant mark;
  const long owner = NewRecord(&mark), other = NewRecord();
  const long paramSet = NewParamSet(owner);
  SetRaw(zl::ZLT_MAIN, other, "STATE", COleVariant(int32_t{77}));
  ASSERT_EQ(ZLSetStateByID(m_hDB, other, 5, paramSet), 1);
  ASSERT_EQ(ZLSetModifiedUserByBookmark(m_hDB, COleVariant("ignored"), "ps", paramSet), 1);
  ASSERT_EQ(ZLSetTitleByID(m_hDB, 0, kEnglish, "Set A", paramSet), 1);
  CTextMap texts;
  texts[kGerman] = "Satz A";
  ASSERT_EQ(ZLSetTitleByBookmark(m_hDB, COleVariant("ignored"), texts, paramSet), 1);
  EXPECT_TRUE(Raw(zl::ZLT_PARAMSET, paramSet, "STATE") == COleVariant(int32_t{5}) &&
              Raw(zl::ZLT_PARAMSET, paramSet, "AUTHOR") == COleVariant("ps"));
  EXPECT_EQ(StoredText(Raw(zl::ZLT_PARAMSET, paramSet, "TITLE"), kGerman), "Satz A");
  EXPECT_EQ(RawMain(other, "STATE"), COleVariant(int32_t{77}));
  EXPECT_TRUE(RawMain(owner, "AUTHOR").vt == VT_NULL && RawMain(owner, "TITLE").vt == VT_NULL);

  unsigned long state = 0;
  for (long recordID : {owner, other, 0L, 123456L}) {
    state = 0;
    EXPECT_TRUE(ZLGetStateByID(m_hDB, recordID, state, paramSet) == 1 && state == 5) << recordID;
  }
  ASSERT_EQ(ZLGetStateByBookmark(m_hDB, ForeignBookmark(), state, paramSet), 1);
  CString text;
  EXPECT_TRUE(ZLGetTitleByBookmark(m_hDB, mark, kEnglish, text, paramSet) == 1 && text == "Set A");
  ASSERT_EQ(ZLGetTitleByID(m_hDB, 777, texts, paramSet), 1);
  EXPECT_EQ(Entries(texts), (Texts{{kEnglish, "Set A"}, {kGerman, "Satz A"}}));
  EXPECT_TRUE(ZLGetStateByID(m_hDB, other, state, 0) == 1 && state == 77);
  EXPECT_EQ(FailCode(ZLGetTitleByID(m_hDB, owner, texts, 0)), ZLE_NULL_VALUE);
  EXPECT_EQ(FailCode(ZLGetStateByBookmark(m_hDB, mark, state, paramSet + 1)), ZLE_NO_RECORD);
}

TEST_F(LangTextTest, ReadingAllLanguagesLeavesOutThoseWithoutText) {
  ASSERT_EQ(ZLAddResourceTable(m_hDB, kFrench), 1);
  CArray<WORD, WORD> listed;
  ASSERT_EQ(ZLGetAvailableResourceLanguages(m_hDB, listed), 1);
  COleVariant mark;
  const long id = NewRecord(&mark);
  ASSERT_EQ(ZLSetInfoByID(m_hDB, id, listed[1], "second", 0), 1);
  ASSERT_EQ(ZLSetInfoByID(m_hDB, id, listed[2], "third", 0), 1);
  CTextMap texts;
  texts[kNoTable] = "stale";
  ASSERT_EQ(ZLGetInfoByBookmark(m_hDB, mark, texts, 0), 1);
  EXPECT_EQ(Entries(texts), (Texts{{listed[1], "second"}, {listed[2], "third"}}));
  // Read from the list's end: the first language, without text, leaves 27.
  EXPECT_EQ(ZLGetLastError(), ZLE_NO_RESOURCE_TEXT);
  ASSERT_EQ(ZLSetInfoByID(m_hDB, id, listed[0], "first", 0), 1);
  ASSERT_EQ(ZLGetInfoByID(m_hDB, id, texts, 0), 1);
  EXPECT_TRUE(ZLGetLastError() == 0 && texts.GetCount() == 3);

  for (int n = 1;; ++n) {  // every allocation of a fresh handle fails in turn
    Reopen();
    CFaultScope faults;
    CFaultInjector::FailNth(FaultKind::kAllocation, n);
    texts[kNoTable] = "stale";
    const int code = FailCode(ZLGetInfoByID(m_hDB, id, texts, 0));
    if (code == -1) break;
    EXPECT_TRUE(code == ZLE_OUT_OF_MEMORY && texts.GetCount() == 0) << n;
    ASSERT_LT(n, 50);
  }
  EXPECT_EQ(texts.GetCount(), 3);
  for (long missing : {0L, id + 1}) {
    texts[kNoTable] = "stale";
    EXPECT_EQ(FailCode(ZLGetTitleByID(m_hDB, missing, texts, 0)), ZLE_NO_RECORD);
    EXPECT_EQ(texts.GetCount(), 0) << missing;
  }
}

TEST_F(LangTextTest, AFailingAllLanguageWriteLeavesNothingBehind) {
  const long fresh = NewRecord(), titled = NewRecord();
  ASSERT_EQ(ZLSetTitleByID(m_hDB, titled, kEnglish, "old", 0), 1);
  CTextMap texts;
  texts[kEnglish] = "new", texts[kNoTable] = "none", texts[kGerman] = "neu";
  for (long id : {fresh, titled}) {
    const std::string before = State(id, "TITLE");
    AgeLayoutStamp();
    EXPECT_EQ(FailCode(ZLSetTitleByID(m_hDB, id, texts, 0)), ZLE_NO_LANGUAGE);
    EXPECT_TRUE(State(id, "TITLE") == before && !LayoutStampRenewed());
  }
}

}  // namespace
