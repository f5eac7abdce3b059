#include "zldbctrl70/platform/cstring.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <iterator>
#include <string>
#include <utility>

namespace {

int Sign(int n) { return (n > 0) - (n < 0); }

TEST(CStringCase, LatinOneLettersFoldByTwentyBothWays) {
  for (int second = 0x80; second <= 0x9E; ++second) {
    if (second == 0x97) continue;  // x, the sign between the letters
    SCOPED_TRACE(second);
    const char upper[] = {'M', '\xC3', static_cast<char>(second), 'X', 0};
    const char lower[] = {'m', '\xC3', static_cast<char>(second + 0x20), 'x', 0};
    CString s(upper);
    s.MakeLower();
    EXPECT_EQ(s, lower);
    s.MakeUpper();
    EXPECT_EQ(s, upper);
    EXPECT_EQ(lstrcmpi(upper, lower), 0);
    EXPECT_EQ(CString(lower).CompareNoCase(upper), 0);
  }
}

TEST(CStringCase, SignsAndNeighboursAreNotFolded) {
  // x and division sign, sharp s, y with diaeresis, A with macron, a C2 pair.
  for (const char* text :
       {"\xC3\x97", "\xC3\xB7", "\xC3\x9F", "\xC3\xBF", "\xC4\x80", "\xC2\x80"}) {
    CString up(text), down(text);
    up.MakeUpper();
    down.MakeLower();
    EXPECT_EQ(up, text);
    EXPECT_EQ(down, text);
  }
  EXPECT_NE(lstrcmpi("\xC3\x97", "\xC3\xB7"), 0);
  // A lone Latin-1 second byte without its lead is not a letter.
  EXPECT_NE(lstrcmpi("\x84", "\xA4"), 0);
}

TEST(CStringCompare, OrderWithAndWithoutCase) {
  struct Case {
    const char* a;
    const char* b;
    int noCase;  // sign of lstrcmpi(a, b)
    int exact;   // sign of CString(a).Compare(b)
  };
  const Case cases[] = {
      // '_' lies between the upper- and lower-case ASCII letters: folding to
      // lower case puts it before every letter, as the indexes order it.
      {"_", "A", -1, 1},         {"_", "a", -1, -1},     {"apple", "BANANA", -1, 1},
      {"Zebra", "apple", 1, -1}, {"abc", "ABCD", -1, 1}, {"abc", "ABC", 0, 1},
      {"\xC3\xA9", "Z", 1, 1},                         // bytes compare unsigned
      {"\xC3\xA4", "z", 1, 1},   {"", nullptr, 0, 0},  // null is the empty string
      {nullptr, "a", -1, -1},    {"a", nullptr, 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.a ? c.a : "(null)") + " / " + (c.b ? c.b : "(null)"));
    EXPECT_EQ(Sign(lstrcmpi(c.a, c.b)), c.noCase);
    EXPECT_EQ(Sign(CString(c.a).CompareNoCase(c.b)), c.noCase);
    EXPECT_EQ(Sign(CString(c.a).Compare(c.b)), c.exact);
    EXPECT_EQ(CString(c.a) < CString(c.b), c.exact < 0);
  }
  EXPECT_EQ(lstrcmpi(nullptr, nullptr), 0);
  // Lengths count bytes, and embedded NULs are kept.
  CString withNul("a\0b", 3);
  EXPECT_EQ(withNul.GetLength(), 3);
  EXPECT_NE(withNul, CString("a"));
  EXPECT_EQ(CString("\xC3\xA4\xC3\xB6\xC3\xBC").GetLength(), 6);
}

class CStringEdit : public ::testing::Test {
 protected:
  CString m_text{"Hello, World"};
};

TEST_F(CStringEdit, NullPointersAreEmptyStrings) {
  CString s(static_cast<const char*>(nullptr));
  EXPECT_TRUE(s.IsEmpty() && std::string(s.GetString()).empty());
  m_text = static_cast<const char*>(nullptr);
  EXPECT_EQ(m_text.GetLength(), 0);
  m_text += static_cast<const char*>(nullptr);
  EXPECT_EQ(m_text.Compare(nullptr), 0);
  EXPECT_EQ(CString(nullptr, 5).GetLength(), 0);
  EXPECT_TRUE(CString("x") != static_cast<const char*>(nullptr));
}

TEST_F(CStringEdit, SubstringsClampOutOfRangeArguments) {
  const std::pair<CString, const char*> cut[] = {{m_text.Left(5), "Hello"},
                                                 {m_text.Left(100), "Hello, World"},
                                                 {m_text.Left(-1), ""},
                                                 {m_text.Right(5), "World"},
                                                 {m_text.Right(100), "Hello, World"},
                                                 {m_text.Mid(-3, 2), "He"},
                                                 {m_text.Mid(7, 100), "World"},
                                                 {m_text.Mid(12), ""},
                                                 {m_text.Mid(50, 2), ""}};
  for (size_t i = 0; i < std::size(cut); ++i) EXPECT_EQ(cut[i].first, cut[i].second) << i;
}

TEST_F(CStringEdit, FindHonoursStartAndBounds) {
  const std::pair<int, int> found[] = {
      {m_text.Find('o'), 4},         {m_text.Find('o', 5), 8},    {m_text.Find('o', 12), -1},
      {m_text.Find('o', -1), -1},    {m_text.Find("World"), 7},   {m_text.Find("World", 8), -1},
      {m_text.Find("", 12), 12},     {m_text.Find("x", 13), -1},  {m_text.ReverseFind('o'), 8},
      {m_text.ReverseFind('z'), -1}, {m_text.FindOneOf(",W"), 5}, {m_text.FindOneOf(""), -1}};
  for (size_t i = 0; i < std::size(found); ++i) EXPECT_EQ(found[i].first, found[i].second) << i;
}

TEST_F(CStringEdit, ReplaceCountsAndTerminates) {
  CString s("aaaa");
  EXPECT_TRUE(s.Replace("aa", "b") == 2 && s == "bb");
  // A replacement that contains the pattern must not be scanned again.
  CString t("a-a");
  EXPECT_TRUE(t.Replace("a", "aa") == 2 && t == "aa-aa");
  EXPECT_TRUE(t.Replace("", "x") == 0 && t.Replace("q", "z") == 0 && t == "aa-aa");
  EXPECT_TRUE(t.Replace("-", nullptr) == 1 && t == "aaaa");
}

TEST_F(CStringEdit, InsertDeleteRemove) {
  EXPECT_TRUE(m_text.Insert(5, "!!") == 14 && m_text == "Hello!!, World");
  EXPECT_TRUE(m_text.Insert(100, '.') == 15 && m_text.Insert(-4, '>') == 16);
  EXPECT_EQ(m_text, ">Hello!!, World.");
  EXPECT_TRUE(m_text.Delete(6, 2) == 14 && m_text == ">Hello, World.");
  EXPECT_TRUE(m_text.Delete(13, 50) == 13 && m_text.Delete(99, 1) == 13);
  EXPECT_TRUE(m_text.Remove('l') == 3 && m_text == ">Heo, Word");
  EXPECT_TRUE(m_text.Delete(-2, 1) == 9 && m_text == "Heo, Word");  // index clamped to 0
  CString self("ab");  // inserting a string into itself works on a copy
  self.Insert(1, self.GetString());
  EXPECT_EQ(self, "aabb");
}

TEST_F(CStringEdit, TrimReverseCharacterAndBufferAccess) {
  CString s(" \t\r\nvalue \n");
  s.Trim();
  EXPECT_EQ(s, "value");
  CString t("xxvaluexy");
  t.TrimLeft("x");
  t.TrimRight("xy");
  EXPECT_EQ(t, "value");
  CString u(
      "a\xC3\xA4"
      "b\xE2\x82\xAC");  // a, a umlaut, b, euro: reversed by character
  u.MakeReverse();
  EXPECT_EQ(u,
            "\xE2\x82\xAC"
            "b\xC3\xA4"
            "a");
  // Out-of-range access reads a zero and writes nothing.
  EXPECT_TRUE(m_text[11] == 'd' && m_text.GetAt(12) == '\0' && m_text.GetAt(-1) == '\0');
  m_text.SetAt(12, 'x');
  m_text.SetAt(-1, 'x');
  m_text.SetAt(0, 'J');
  EXPECT_EQ(m_text, "Jello, World");
  // Writing through the buffer.
  char* buf = m_text.GetBuffer(64);
  std::snprintf(buf, 65, "%s", "written through the buffer");
  m_text.ReleaseBuffer();
  EXPECT_EQ(m_text, "written through the buffer");
  m_text.GetBuffer(0);
  m_text.ReleaseBuffer(7);
  EXPECT_EQ(m_text, "written");
}

TEST(CStringValue, ConcatenationRepeatAndFormat) {
  CString a("ab");
  const std::pair<CString, const char*> joined[] = {
      {a + "cd", "abcd"}, {"x" + a, "xab"},         {a + 'z', "abz"},
      {a + a, "abab"},    {CString('-', 3), "---"}, {CString('-', 0), ""}};
  for (size_t i = 0; i < std::size(joined); ++i) EXPECT_EQ(joined[i].first, joined[i].second) << i;
  CString moved(std::move(a));
  EXPECT_EQ(moved, "ab");
  // Format: long output is complete, and arguments may come from the string.
  const std::string big(100000, 'x');
  CString s;
  s.Format("<%s|%d>", big.c_str(), 42);
  EXPECT_EQ(s.str(), "<" + big + "|42>");
  s = "abc";
  s.Format("%s-%s", s.GetString(), s.GetString());
  EXPECT_EQ(s, "abc-abc");
  s.Format("%08x %s", 0x409u, "");
  EXPECT_EQ(s, "00000409 ");
  s.Format("%s", "");
  EXPECT_TRUE(s.IsEmpty());
}

}  // namespace
