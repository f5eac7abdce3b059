#include "zldbctrl70/platform/langtext.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class LangTextTest : public ::testing::Test {
 protected:
  // The text for wLang and the getter's result, as "<result>:<text>".
  std::string Get(WORD wLang) {
    CString text = "stale text from an earlier call";
    const WORD found = KWGetLangDependentString(m_map, wLang, text);
    return std::to_string(found) + ":" + text.str();
  }
  CMap<WORD, WORD, CString, LPCSTR> m_map;
};

TEST_F(LangTextTest, SetReplaceAndGetPerLanguage) {
  EXPECT_EQ(KWSetLangDependentString(m_map, 1033, "Resistor"), 1);  // 1: a new entry
  EXPECT_EQ(KWSetLangDependentString(m_map, 1031, "Widerstand"), 1);
  EXPECT_EQ(KWSetLangDependentString(m_map, 1033, "old"), 0);  // 0: replaced
  EXPECT_EQ(KWSetLangDependentString(m_map, 1033, "new"), 0);
  EXPECT_EQ(m_map.GetCount(), 2);
  EXPECT_EQ(Get(1031), "1:Widerstand");
  EXPECT_EQ(Get(1033), "1:new");
  // A missing language gives the empty text and adds nothing.
  EXPECT_EQ(Get(1036), "0:");
  EXPECT_EQ(m_map.GetCount(), 2);
  // An empty text is stored, not removed.
  KWSetLangDependentString(m_map, 1033, "");
  EXPECT_EQ(Get(1033), "1:");
}

TEST_F(LangTextTest, StoringAMapsOwnTextIsSafe) {
  KWSetLangDependentString(m_map, 1033, CString(std::string(300, 'a')));
  KWSetLangDependentString(m_map, 1033, m_map[1033]);
  KWSetLangDependentString(m_map, 7, m_map[1033]);
  EXPECT_EQ(Get(7), "1:" + std::string(300, 'a'));
}

}  // namespace
