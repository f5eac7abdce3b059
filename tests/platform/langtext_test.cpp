#include "zldbctrl70/platform/langtext.h"

#include <gtest/gtest.h>

namespace {

class LangTextTest : public ::testing::Test {
 protected:
  CMap<WORD, WORD, CString, LPCSTR> m_map;
};

TEST_F(LangTextTest, SetThenGetPerLanguage) {
  EXPECT_EQ(KWSetLangDependentString(m_map, 1033, "Resistor"), 1);
  EXPECT_EQ(KWSetLangDependentString(m_map, 1031, "Widerstand"), 1);
  CString text;
  EXPECT_EQ(KWGetLangDependentString(m_map, 1031, text), 1);
  EXPECT_EQ(text, "Widerstand");
  EXPECT_EQ(KWGetLangDependentString(m_map, 1033, text), 1);
  EXPECT_EQ(text, "Resistor");
}

TEST_F(LangTextTest, ReplacingKeepsOneEntry) {
  KWSetLangDependentString(m_map, 1033, "old");
  EXPECT_EQ(KWSetLangDependentString(m_map, 1033, "new"), 0);
  EXPECT_EQ(m_map.GetCount(), 1);
  CString text;
  KWGetLangDependentString(m_map, 1033, text);
  EXPECT_EQ(text, "new");
}

TEST_F(LangTextTest, MissingLanguageGivesEmptyText) {
  KWSetLangDependentString(m_map, 1033, "Resistor");
  CString text = "stale text from an earlier call";
  EXPECT_EQ(KWGetLangDependentString(m_map, 1036, text), 0);
  EXPECT_TRUE(text.IsEmpty());
  EXPECT_EQ(m_map.GetCount(), 1);  // reading adds nothing
}

TEST_F(LangTextTest, EmptyTextIsStoredNotRemoved) {
  KWSetLangDependentString(m_map, 1033, "x");
  KWSetLangDependentString(m_map, 1033, "");
  CString text = "y";
  EXPECT_EQ(KWGetLangDependentString(m_map, 1033, text), 1);
  EXPECT_TRUE(text.IsEmpty());
}

TEST_F(LangTextTest, StoringAMapsOwnTextIsSafe) {
  KWSetLangDependentString(m_map, 1033, CString(std::string(300, 'a')));
  KWSetLangDependentString(m_map, 1033, m_map[1033]);
  KWSetLangDependentString(m_map, 7, m_map[1033]);
  CString text;
  KWGetLangDependentString(m_map, 7, text);
  EXPECT_EQ(text.GetLength(), 300);
}

}  // namespace
