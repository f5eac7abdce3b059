#include "zldbctrl70/platform/cstring.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>

namespace {

// UTF-8 spellings used below.
const char kLowerUmlauts[] = "\xC3\xA4\xC3\xB6\xC3\xBC";  // äöü
const char kUpperUmlauts[] = "\xC3\x84\xC3\x96\xC3\x9C";  // ÄÖÜ
const char kTimes[] = "\xC3\x97";                         // ×
const char kDivide[] = "\xC3\xB7";                        // ÷

TEST(CStringCase, LatinOneLettersFoldBothWays) {
  CString s(kLowerUmlauts);
  s.MakeUpper();
  EXPECT_EQ(s, kUpperUmlauts);
  s.MakeLower();
  EXPECT_EQ(s, kLowerUmlauts);
  EXPECT_EQ(CString(kLowerUmlauts).CompareNoCase(kUpperUmlauts), 0);
  EXPECT_EQ(lstrcmpi("M\xC3\xBCller", "M\xC3\x9CLLER"), 0);
}

TEST(CStringCase, WholeFoldableRangeMapsByTwenty) {
  for (int second = 0x80; second <= 0x9E; ++second) {
    if (second == 0x97) continue;
    const char upper[] = {'\xC3', static_cast<char>(second), 0};
    const char lower[] = {'\xC3', static_cast<char>(second + 0x20), 0};
    CString s(upper);
    s.MakeLower();
    EXPECT_EQ(s, lower) << std::hex << second;
    s.MakeUpper();
    EXPECT_EQ(s, upper) << std::hex << second;
  }
}

TEST(CStringCase, SignsAndNeighboursAreNotFolded) {
  for (const char* text :
       {kTimes, kDivide, "\xC3\x9F" /* ß */, "\xC3\xBF" /* ÿ */, "\xC4\x80" /* Ā */, "\xC2\x80"}) {
    CString up(text);
    up.MakeUpper();
    EXPECT_EQ(up, text);
    CString down(text);
    down.MakeLower();
    EXPECT_EQ(down, text);
  }
  EXPECT_NE(lstrcmpi(kTimes, kDivide), 0);
  // A lone Latin-1 second byte without its lead is not a letter.
  EXPECT_NE(lstrcmpi("\x84", "\xA4"), 0);
}

TEST(CStringCase, NoCaseOrderFoldsToLowerCase) {
  // '_' lies between the upper- and lower-case ASCII letters: folding to
  // lower case puts it before every letter, as the indexes order it.
  EXPECT_LT(lstrcmpi("_", "A"), 0);
  EXPECT_LT(lstrcmpi("_", "a"), 0);
  EXPECT_LT(lstrcmpi("apple", "BANANA"), 0);
  EXPECT_GT(lstrcmpi("Zebra", "apple"), 0);
  EXPECT_LT(lstrcmpi("abc", "ABCD"), 0);
  EXPECT_GT(CString("\xC3\xA9").CompareNoCase("Z"), 0);  // é after ASCII, unsigned bytes
}

TEST(CStringCase, NullIsEmpty) {
  EXPECT_EQ(lstrcmpi(nullptr, ""), 0);
  EXPECT_EQ(lstrcmpi(nullptr, nullptr), 0);
  EXPECT_LT(lstrcmpi(nullptr, "a"), 0);
  EXPECT_GT(lstrcmpi("a", nullptr), 0);
  EXPECT_EQ(CString("").CompareNoCase(nullptr), 0);
}

class CStringEdit : public ::testing::Test {
 protected:
  CString m_text{"Hello, World"};
};

TEST_F(CStringEdit, NullPointersAreEmptyStrings) {
  CString s(static_cast<const char*>(nullptr));
  EXPECT_TRUE(s.IsEmpty());
  EXPECT_STREQ(s.GetString(), "");
  m_text = static_cast<const char*>(nullptr);
  EXPECT_EQ(m_text.GetLength(), 0);
  m_text += static_cast<const char*>(nullptr);
  EXPECT_EQ(m_text.Compare(nullptr), 0);
  EXPECT_EQ(CString(nullptr, 5).GetLength(), 0);
  EXPECT_TRUE(CString("x") != static_cast<const char*>(nullptr));
}

TEST_F(CStringEdit, SubstringsClampOutOfRangeArguments) {
  EXPECT_EQ(m_text.Left(5), "Hello");
  EXPECT_EQ(m_text.Left(100), "Hello, World");
  EXPECT_EQ(m_text.Left(-1), "");
  EXPECT_EQ(m_text.Right(5), "World");
  EXPECT_EQ(m_text.Right(100), "Hello, World");
  EXPECT_EQ(m_text.Mid(7), "World");
  EXPECT_EQ(m_text.Mid(-3, 2), "He");
  EXPECT_EQ(m_text.Mid(7, 100), "World");
  EXPECT_EQ(m_text.Mid(12), "");
  EXPECT_EQ(m_text.Mid(50, 2), "");
}

TEST_F(CStringEdit, FindHonoursStartAndBounds) {
  EXPECT_EQ(m_text.Find('o'), 4);
  EXPECT_EQ(m_text.Find('o', 5), 8);
  EXPECT_EQ(m_text.Find('o', 12), -1);
  EXPECT_EQ(m_text.Find('o', -1), -1);
  EXPECT_EQ(m_text.Find("World"), 7);
  EXPECT_EQ(m_text.Find("World", 8), -1);
  EXPECT_EQ(m_text.Find("", 12), 12);
  EXPECT_EQ(m_text.Find("x", 13), -1);
  EXPECT_EQ(m_text.ReverseFind('o'), 8);
  EXPECT_EQ(m_text.ReverseFind('z'), -1);
  EXPECT_EQ(m_text.FindOneOf(",W"), 5);
  EXPECT_EQ(m_text.FindOneOf(""), -1);
}

TEST_F(CStringEdit, ReplaceCountsAndTerminates) {
  CString s("aaaa");
  EXPECT_EQ(s.Replace("aa", "b"), 2);
  EXPECT_EQ(s, "bb");
  // A replacement that contains the pattern must not be scanned again.
  CString t("a-a");
  EXPECT_EQ(t.Replace("a", "aa"), 2);
  EXPECT_EQ(t, "aa-aa");
  EXPECT_EQ(t.Replace("", "x"), 0);
  EXPECT_EQ(t, "aa-aa");
  EXPECT_EQ(t.Replace("-", nullptr), 1);
  EXPECT_EQ(t, "aaaa");
  EXPECT_EQ(t.Replace("q", "z"), 0);
}

TEST_F(CStringEdit, InsertDeleteRemove) {
  EXPECT_EQ(m_text.Insert(5, "!!"), 14);
  EXPECT_EQ(m_text, "Hello!!, World");
  EXPECT_EQ(m_text.Insert(100, '.'), 15);
  EXPECT_EQ(m_text.Insert(-4, '>'), 16);
  EXPECT_EQ(m_text, ">Hello!!, World.");
  EXPECT_EQ(m_text.Delete(6, 2), 14);
  EXPECT_EQ(m_text, ">Hello, World.");
  EXPECT_EQ(m_text.Delete(13, 50), 13);
  EXPECT_EQ(m_text.Delete(99, 1), 13);
  EXPECT_EQ(m_text.Remove('l'), 3);
  EXPECT_EQ(m_text, ">Heo, Word");
  // Inserting a string into itself works on a copy.
  CString self("ab");
  self.Insert(1, self.GetString());
  EXPECT_EQ(self, "aabb");
}

TEST_F(CStringEdit, TrimAndReverse) {
  CString s(" \t\r\nvalue \n");
  s.Trim();
  EXPECT_EQ(s, "value");
  CString t("xxvaluexy");
  t.TrimLeft("x");
  t.TrimRight("xy");
  EXPECT_EQ(t, "value");
  CString u(
      "a\xC3\xA4"
      "b\xE2\x82\xAC");  // a ä b €
  u.MakeReverse();
  EXPECT_EQ(u,
            "\xE2\x82\xAC"
            "b\xC3\xA4"
            "a");
}

TEST_F(CStringEdit, OutOfRangeCharacterAccessIsHarmless) {
  EXPECT_EQ(m_text.GetAt(0), 'H');
  EXPECT_EQ(m_text[11], 'd');
  EXPECT_EQ(m_text.GetAt(12), '\0');
  EXPECT_EQ(m_text.GetAt(-1), '\0');
  m_text.SetAt(12, 'x');
  m_text.SetAt(-1, 'x');
  m_text.SetAt(0, 'J');
  EXPECT_EQ(m_text, "Jello, World");
}

TEST_F(CStringEdit, BufferAccess) {
  char* buf = m_text.GetBuffer(64);
  std::snprintf(buf, 65, "%s", "written through the buffer");
  m_text.ReleaseBuffer();
  EXPECT_EQ(m_text, "written through the buffer");
  m_text.GetBuffer(0);
  m_text.ReleaseBuffer(7);
  EXPECT_EQ(m_text, "written");
  EXPECT_EQ(m_text.GetLength(), 7);
}

TEST(CStringValue, ComparisonIsUnsignedAndByteWise) {
  EXPECT_GT(CString("\xC3\xA4").Compare("z"), 0);
  EXPECT_LT(CString("Z").Compare("a"), 0);
  EXPECT_TRUE(CString("z") < CString("\xC3\xA4"));
  EXPECT_NE(CString("abc"), CString("ABC"));
  EXPECT_TRUE("abc" == CString("abc"));
  // Lengths count bytes, and embedded NULs are kept.
  CString withNul("a\0b", 3);
  EXPECT_EQ(withNul.GetLength(), 3);
  EXPECT_NE(withNul, CString("a"));
  EXPECT_EQ(CString(kLowerUmlauts).GetLength(), 6);
}

TEST(CStringValue, ConcatenationAndRepeat) {
  CString a("ab");
  EXPECT_EQ(a + "cd", "abcd");
  EXPECT_EQ("x" + a, "xab");
  EXPECT_EQ(a + 'z', "abz");
  EXPECT_EQ(a + a, "abab");
  EXPECT_EQ(CString('-', 3), "---");
  EXPECT_EQ(CString('-', 0), "");
  CString moved(std::move(a));
  EXPECT_EQ(moved, "ab");
}

TEST(CStringFormat, LongOutputIsComplete) {
  std::string big(100000, 'x');
  CString s;
  s.Format("<%s|%d>", big.c_str(), 42);
  ASSERT_EQ(s.GetLength(), 100000 + 5);
  EXPECT_EQ(s.Left(2), "<x");
  EXPECT_EQ(s.Right(4), "|42>");
}

TEST(CStringFormat, ArgumentsMayComeFromTheStringItself) {
  CString s("abc");
  s.Format("%s-%s", s.GetString(), s.GetString());
  EXPECT_EQ(s, "abc-abc");
  s.Format("%08x %s", 0x409u, "");
  EXPECT_EQ(s, "00000409 ");
  s.Format("%s", "");
  EXPECT_TRUE(s.IsEmpty());
}

}  // namespace
