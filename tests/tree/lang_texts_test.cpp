// Title and information in one language and in all languages: resource-ID
// allocation and reuse, the codes of the text rules, the parameter-set
// argument, the layout stamp, and the all-language setter leaving nothing
// behind when any part of it fails.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "engine/faults.h"
#include "tree/attribute_fixture.h"

namespace {

using zl::engine::CFaultInjector;
using zl::engine::CFaultScope;
using zl::engine::FaultKind;
using CTextMap = CMap<WORD, WORD, CString, LPCSTR>;

constexpr WORD kEnglish = 1033;
constexpr WORD kGerman = 1031;
constexpr WORD kFrench = 1036;
constexpr WORD kNoTable = 0x0C0A;  // never given resource tables

std::map<WORD, std::string> Entries(const CTextMap& map) {
  std::map<WORD, std::string> entries;
  for (POSITION pos = map.GetStartPosition(); pos != nullptr;) {
    WORD language = 0;
    CString text;
    map.GetNextAssoc(pos, language, text);
    entries[language] = text.str();
  }
  return entries;
}

class LangTextTest : public AttributeFixture {
 protected:
  void SetUp() override {
    AttributeFixture::SetUp();
    AddLanguage(kEnglish);
    AddLanguage(kGerman);
  }
  // Everything an all-language write could change, to compare before and
  // after a failed one.
  struct Snapshot {
    COleVariant title;
    long resourceIDs;
    std::string english, german;
    bool operator==(const Snapshot& o) const {
      return title == o.title && resourceIDs == o.resourceIDs && english == o.english &&
             german == o.german;
    }
  };
  Snapshot Take(long id) {
    Snapshot s{RawMain(id, "TITLE"), RowCount(zl::ZLT_RESID), "", ""};
    s.english = s.title.vt == VT_NULL ? "<untitled>" : StoredText(s.title, kEnglish);
    s.german = s.title.vt == VT_NULL ? "<untitled>" : StoredText(s.title, kGerman);
    return s;
  }
};

// ---- one language ----

TEST_F(LangTextTest, TheFirstTextAllocatesAResourceIDAndLaterOnesReuseIt) {
  COleVariant bookmark;
  const long id = NewRecord(&bookmark);
  const long counterRows = RowCount(zl::ZLT_RESID);
  ASSERT_EQ(ZLSetTitleByID(m_hDB, id, kEnglish, "Resistor", 0), 1);
  EXPECT_EQ(ZLGetLastError(), 0);
  const COleVariant titleID = RawMain(id, "TITLE");
  ASSERT_EQ(titleID.vt, VT_I4);
  EXPECT_EQ(RowCount(zl::ZLT_RESID), counterRows + 1);
  EXPECT_EQ(StoredText(titleID, kEnglish), "Resistor");

  ASSERT_EQ(ZLSetTitleByBookmark(m_hDB, bookmark, kGerman, "Widerstand", 0), 1);
  ASSERT_EQ(ZLSetTitleByID(m_hDB, id, kEnglish, "Resistor, linear", 0), 1);
  EXPECT_EQ(RawMain(id, "TITLE"), titleID);
  EXPECT_EQ(RowCount(zl::ZLT_RESID), counterRows + 1);

  // Information has a resource ID of its own.
  ASSERT_EQ(ZLSetInfoByBookmark(m_hDB, bookmark, kGerman, "Ohmscher Widerstand", 0), 1);
  const COleVariant infoID = RawMain(id, "INFO");
  ASSERT_EQ(infoID.vt, VT_I4);
  EXPECT_NE(infoID, titleID);
  EXPECT_EQ(StoredText(titleID, kGerman), "Widerstand");

  CString text;
  ASSERT_EQ(ZLGetTitleByBookmark(m_hDB, bookmark, kEnglish, text, 0), 1);
  EXPECT_STREQ(text, "Resistor, linear");
  ASSERT_EQ(ZLGetInfoByID(m_hDB, id, kGerman, text, 0), 1);
  EXPECT_STREQ(text, "Ohmscher Widerstand");
}

TEST_F(LangTextTest, EachTextRuleHasItsCode) {
  COleVariant bookmark;
  const long id = NewRecord(&bookmark);
  CString text("keep");
  EXPECT_EQ(ZLGetTitleByID(m_hDB, id, kEnglish, text, 0), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_NULL_VALUE);

  ASSERT_EQ(ZLSetTitleByID(m_hDB, id, kEnglish, "only English", 0), 1);
  EXPECT_EQ(ZLGetTitleByBookmark(m_hDB, bookmark, kGerman, text, 0), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_NO_RESOURCE_TEXT);
  EXPECT_EQ(ZLGetTitleByID(m_hDB, id, kNoTable, text, 0), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_NO_LANGUAGE);
  EXPECT_EQ(ZLGetInfoByID(m_hDB, 99999, kEnglish, text, 0), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_NO_RECORD);
  EXPECT_EQ(ZLGetInfoByBookmark(m_hDB, ForeignBookmark(), kEnglish, text, 0), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_BAD_BOOKMARK);
  EXPECT_EQ(ZLGetTitleByID(ClosedHandle(), id, kEnglish, text, 0), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_BAD_HANDLE);
  EXPECT_STREQ(text, "keep");

  // An empty text is a text.
  ASSERT_EQ(ZLSetTitleByID(m_hDB, id, kGerman, "", 0), 1);
  ASSERT_EQ(ZLGetTitleByID(m_hDB, id, kGerman, text, 0), 1);
  EXPECT_TRUE(text.IsEmpty());
}

TEST_F(LangTextTest, AFailedStoreKeepsTheNewResourceIDButDoesNotStamp) {
  const long id = NewRecord();
  const long counterRows = RowCount(zl::ZLT_RESID);
  AgeLayoutStamp();
  EXPECT_EQ(ZLSetInfoByID(m_hDB, id, kNoTable, "nowhere", 0), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_NO_LANGUAGE);
  EXPECT_EQ(RawMain(id, "INFO").vt, VT_I4);
  EXPECT_EQ(RowCount(zl::ZLT_RESID), counterRows + 1);
  EXPECT_FALSE(LayoutStampRenewed());

  EXPECT_EQ(ZLSetTitleByID(m_hDB, id, kEnglish, std::string(256, 't').c_str(), 0), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_ENGINE);
  EXPECT_EQ(ZLSetTitleByBookmark(m_hDB, COleVariant("junk"), kEnglish, "t", 0), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_BAD_BOOKMARK);
  EXPECT_FALSE(LayoutStampRenewed());

  ASSERT_EQ(ZLSetInfoByID(m_hDB, id, kEnglish, "somewhere", 0), 1);
  EXPECT_TRUE(LayoutStampRenewed());
}

TEST_F(LangTextTest, ANewResourceIDThatCannotBeAllocatedIsSix) {
  const long id = NewRecord();
  CFaultScope faults;
  // Moving to the new counter row takes a bookmark: the allocation fails.
  CFaultInjector::FailNth(FaultKind::kAllocation, 1);
  EXPECT_EQ(ZLSetTitleByID(m_hDB, id, kEnglish, "t", 0), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_OUT_OF_MEMORY);
  EXPECT_EQ(RawMain(id, "TITLE").vt, VT_NULL);
}

TEST_F(LangTextTest, TheParameterSetArgumentSwitchesToThePARAMSETRow) {
  COleVariant bookmark;
  const long id = NewRecord(&bookmark);
  const long paramSet = NewParamSet(id);
  ASSERT_EQ(ZLSetTitleByID(m_hDB, 0, kEnglish, "Set A", paramSet), 1);
  ASSERT_EQ(ZLSetInfoByBookmark(m_hDB, COleVariant("ignored"), kGerman, "Satz A", paramSet), 1);
  const COleVariant titleID = Raw(zl::ZLT_PARAMSET, paramSet, "TITLE");
  ASSERT_EQ(titleID.vt, VT_I4);
  EXPECT_EQ(StoredText(titleID, kEnglish), "Set A");
  EXPECT_EQ(RawMain(id, "TITLE").vt, VT_NULL);
  EXPECT_EQ(RawMain(id, "INFO").vt, VT_NULL);

  CString text;
  ASSERT_EQ(ZLGetTitleByBookmark(m_hDB, bookmark, kEnglish, text, paramSet), 1);
  EXPECT_STREQ(text, "Set A");
  ASSERT_EQ(ZLGetInfoByID(m_hDB, 777, kGerman, text, paramSet), 1);
  EXPECT_STREQ(text, "Satz A");
  EXPECT_EQ(ZLGetTitleByID(m_hDB, id, kEnglish, text, 0), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_NULL_VALUE);
  EXPECT_EQ(ZLGetTitleByID(m_hDB, id, kEnglish, text, paramSet + 1), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_NO_RECORD);

  CTextMap texts;
  texts[kGerman] = "Satz B";
  ASSERT_EQ(ZLSetTitleByBookmark(m_hDB, COleVariant(), texts, paramSet), 1);
  CTextMap read;
  ASSERT_EQ(ZLGetTitleByID(m_hDB, 0, read, paramSet), 1);
  EXPECT_EQ(Entries(read), (std::map<WORD, std::string>{{kEnglish, "Set A"}, {kGerman, "Satz B"}}));
}

// ---- all languages: reading ----

using AllLanguagesGetTest = LangTextTest;

TEST_F(AllLanguagesGetTest, LanguagesWithoutTextAreLeftOut) {
  AddLanguage(kFrench);
  COleVariant bookmark;
  const long id = NewRecord(&bookmark);
  ASSERT_EQ(ZLSetTitleByID(m_hDB, id, kEnglish, "Capacitor", 0), 1);
  ASSERT_EQ(ZLSetTitleByID(m_hDB, id, kFrench, "Condensateur", 0), 1);
  CTextMap texts;
  texts[kGerman] = "stale";
  ASSERT_EQ(ZLGetTitleByID(m_hDB, id, texts, 0), 1);
  EXPECT_EQ(Entries(texts),
            (std::map<WORD, std::string>{{kEnglish, "Capacitor"}, {kFrench, "Condensateur"}}));
  ASSERT_EQ(ZLGetTitleByBookmark(m_hDB, bookmark, texts, 0), 1);
  EXPECT_EQ(texts.GetCount(), 2);
}

TEST_F(AllLanguagesGetTest, TheLastErrorTellsWhetherTheFirstListedLanguageHadAText) {
  CArray<WORD, WORD> languages;
  ASSERT_EQ(ZLGetAvailableResourceLanguages(m_hDB, languages), 1);
  ASSERT_EQ(languages.GetSize(), 2);
  const WORD first = languages[0];
  const WORD second = languages[1];
  const long id = NewRecord();
  ASSERT_EQ(ZLSetInfoByID(m_hDB, id, second, "only the second", 0), 1);
  CTextMap texts;
  ASSERT_EQ(ZLGetInfoByID(m_hDB, id, texts, 0), 1);
  EXPECT_EQ(ZLGetLastError(), ZLE_NO_RESOURCE_TEXT);
  EXPECT_EQ(texts.GetCount(), 1);

  ASSERT_EQ(ZLSetInfoByID(m_hDB, id, first, "now the first too", 0), 1);
  ASSERT_EQ(ZLGetInfoByID(m_hDB, id, texts, 0), 1);
  EXPECT_EQ(ZLGetLastError(), 0);
  EXPECT_EQ(texts.GetCount(), 2);
}

TEST_F(AllLanguagesGetTest, FailuresLeaveTheMapEmpty) {
  const long id = NewRecord();
  CTextMap texts;
  texts[kEnglish] = "stale";
  EXPECT_EQ(ZLGetTitleByID(m_hDB, id, texts, 0), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_NULL_VALUE);
  EXPECT_EQ(texts.GetCount(), 0);

  texts[kEnglish] = "stale";
  EXPECT_EQ(ZLGetTitleByID(m_hDB, 4242, texts, 0), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_NO_RECORD);
  EXPECT_EQ(texts.GetCount(), 0);

  texts[kEnglish] = "stale";
  EXPECT_EQ(ZLGetInfoByBookmark(m_hDB, ForeignBookmark(), texts, 0), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_BAD_BOOKMARK);
  EXPECT_EQ(texts.GetCount(), 0);

  texts[kEnglish] = "stale";
  EXPECT_EQ(ZLGetInfoByID(ClosedHandle(), id, texts, 0), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_BAD_HANDLE);
  EXPECT_EQ(texts.GetCount(), 0);
}

TEST_F(AllLanguagesGetTest, MemoryExhaustionAtAnyStepLeavesTheMapEmpty) {
  const long id = NewRecord();
  ASSERT_EQ(ZLSetTitleByID(m_hDB, id, kEnglish, "e", 0), 1);
  ASSERT_EQ(ZLSetTitleByID(m_hDB, id, kGerman, "g", 0), 1);
  // Every allocation a fresh handle makes for the call fails in turn.
  for (long n = 1;; ++n) {
    CloseLibrary();
    m_hDB = ZLOpenDatabase(m_path.c_str(), eOpenReadWriteNoLogin);
    ASSERT_NE(m_hDB, nullptr);
    CFaultScope faults;
    CFaultInjector::FailNth(FaultKind::kAllocation, n);
    CTextMap texts;
    texts[kFrench] = "stale";
    if (ZLGetTitleByID(m_hDB, id, texts, 0) == 1) {
      EXPECT_EQ(Entries(texts), (std::map<WORD, std::string>{{kEnglish, "e"}, {kGerman, "g"}}));
      ASSERT_GT(n, 1) << "no allocation was made to fail";
      break;
    }
    EXPECT_EQ(ZLGetLastError(), ZLE_OUT_OF_MEMORY) << n;
    EXPECT_EQ(texts.GetCount(), 0) << n;
    ASSERT_LT(n, 50);
  }
}

// ---- all languages: writing ----

using AllLanguagesSetTest = LangTextTest;

TEST_F(AllLanguagesSetTest, StoresEveryEntryUnderOneResourceIDAndKeepsOtherLanguages) {
  AddLanguage(kFrench);
  COleVariant bookmark;
  const long id = NewRecord(&bookmark);
  ASSERT_EQ(ZLSetTitleByID(m_hDB, id, kFrench, "Diode (fr)", 0), 1);
  const COleVariant titleID = RawMain(id, "TITLE");
  const long counterRows = RowCount(zl::ZLT_RESID);
  AgeLayoutStamp();

  CTextMap texts;
  texts[kEnglish] = "Diode";
  texts[kGerman] = "Diode (de)";
  ASSERT_EQ(ZLSetTitleByBookmark(m_hDB, bookmark, texts, 0), 1);
  EXPECT_EQ(ZLGetLastError(), 0);
  EXPECT_EQ(RawMain(id, "TITLE"), titleID);
  EXPECT_EQ(RowCount(zl::ZLT_RESID), counterRows);
  EXPECT_TRUE(LayoutStampRenewed());

  CTextMap read;
  ASSERT_EQ(ZLGetTitleByID(m_hDB, id, read, 0), 1);
  EXPECT_EQ(Entries(read), (std::map<WORD, std::string>{
                               {kEnglish, "Diode"}, {kGerman, "Diode (de)"}, {kFrench, "Diode (fr)"}}));
}

TEST_F(AllLanguagesSetTest, AnEmptyMapOnlyGivesTheRowAResourceID) {
  const long id = NewRecord();
  AgeLayoutStamp();
  const CTextMap none;
  ASSERT_EQ(ZLSetInfoByID(m_hDB, id, none, 0), 1);
  const COleVariant infoID = RawMain(id, "INFO");
  ASSERT_EQ(infoID.vt, VT_I4);
  EXPECT_EQ(StoredText(infoID, kEnglish), "<none>");
  EXPECT_TRUE(LayoutStampRenewed());
  CTextMap read;
  ASSERT_EQ(ZLGetInfoByID(m_hDB, id, read, 0), 1);
  EXPECT_EQ(read.GetCount(), 0);
}

TEST_F(AllLanguagesSetTest, ALanguageWithoutStringTableRollsEverythingBack) {
  const long fresh = NewRecord();
  const long titled = NewRecord();
  ASSERT_EQ(ZLSetTitleByID(m_hDB, titled, kEnglish, "old", 0), 1);
  CTextMap texts;
  texts[kEnglish] = "new";
  texts[kNoTable] = "none";
  texts[kGerman] = "neu";
  for (long id : {fresh, titled}) {
    SCOPED_TRACE(id);
    const Snapshot before = Take(id);
    AgeLayoutStamp();
    EXPECT_EQ(ZLSetTitleByID(m_hDB, id, texts, 0), 0);
    EXPECT_EQ(ZLGetLastError(), ZLE_NO_LANGUAGE);
    EXPECT_TRUE(Take(id) == before);
    EXPECT_FALSE(LayoutStampRenewed());
  }
  // Texts the engine refuses roll back the same way.
  texts.RemoveKey(kNoTable);
  texts[kGerman] = std::string(256, 'n').c_str();
  const Snapshot before = Take(fresh);
  EXPECT_EQ(ZLSetTitleByID(m_hDB, fresh, texts, 0), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_ENGINE);
  EXPECT_TRUE(Take(fresh) == before);
}

TEST_F(AllLanguagesSetTest, AStorageFailureAtAnyStepLeavesNothingBehind) {
  COleVariant bookmark;
  const long id = NewRecord(&bookmark);
  CTextMap texts;
  texts[kEnglish] = "Inductor";
  texts[kGerman] = "Spule";
  for (FaultKind kind : {FaultKind::kWrite, FaultKind::kCommit}) {
    const long counterRows = RowCount(zl::ZLT_RESID);
    for (long n = 1;; ++n) {
      SCOPED_TRACE(n);
      AgeLayoutStamp();
      CFaultScope faults;
      CFaultInjector::FailNth(kind, n);
      const int result = ZLSetInfoByBookmark(m_hDB, bookmark, texts, 0);
      const long seen = CFaultInjector::Count(kind);
      if (seen < n) {
        // The fault was never reached: the call went through whole.
        ASSERT_EQ(result, 1);
        break;
      }
      EXPECT_EQ(result, 0);
      EXPECT_EQ(ZLGetLastError(), ZLE_ENGINE);
      EXPECT_EQ(RawMain(id, "INFO").vt, VT_NULL);
      EXPECT_EQ(RowCount(zl::ZLT_RESID), counterRows);
      EXPECT_FALSE(LayoutStampRenewed());
      ASSERT_LT(n, 100);
    }
    // Undo the successful pass so that the next kind starts from scratch.
    SetRaw(zl::ZLT_MAIN, id, "INFO", COleVariant());
    CTextMap read;
    ASSERT_EQ(ZLGetInfoByID(m_hDB, id, read, 0), 0);
  }
}

TEST_F(AllLanguagesSetTest, ANewResourceIDThatCannotBeAllocatedRollsBack) {
  const long id = NewRecord();
  const Snapshot before = Take(id);
  CTextMap texts;
  texts[kEnglish] = "t";
  CFaultScope faults;
  CFaultInjector::FailNth(FaultKind::kAllocation, 1);
  EXPECT_EQ(ZLSetTitleByID(m_hDB, id, texts, 0), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_OUT_OF_MEMORY);
  EXPECT_TRUE(Take(id) == before);
}

TEST_F(AllLanguagesSetTest, RowFailuresComeBeforeAnyWrite) {
  CTextMap texts;
  texts[kEnglish] = "t";
  const long counterRows = RowCount(zl::ZLT_RESID);
  AgeLayoutStamp();
  EXPECT_EQ(ZLSetTitleByID(m_hDB, 31337, texts, 0), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_NO_RECORD);
  EXPECT_EQ(ZLSetTitleByBookmark(m_hDB, ForeignBookmark(), texts, 0), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_BAD_BOOKMARK);
  EXPECT_EQ(ZLSetTitleByID(ClosedHandle(), 1, texts, 0), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_BAD_HANDLE);
  EXPECT_EQ(RowCount(zl::ZLT_RESID), counterRows);
  EXPECT_FALSE(LayoutStampRenewed());
}

}  // namespace
