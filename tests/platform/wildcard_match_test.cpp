#include "platform/wildcard_match.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace zl {
namespace {

// A straightforward recursive matcher: "*" tries every split, "?" takes one
// UTF-8 character.
bool Backtrack(const char* text, const char* pattern) {
  if (*pattern == '\0') return *text == '\0';
  if (*pattern == '*') {
    for (const char* t = text;; ++t) {
      if (Backtrack(t, pattern + 1)) return true;
      if (*t == '\0') return false;
    }
  }
  if (*text == '\0') return false;
  if (*pattern == '?') {
    ++text;
    while ((static_cast<unsigned char>(*text) & 0xC0) == 0x80) ++text;
    return Backtrack(text, pattern + 1);
  }
  return *pattern == *text && Backtrack(text + 1, pattern + 1);
}

bool Reference(const std::string& text, const std::string& pattern) {
  return !pattern.empty() && Backtrack(text.c_str(), pattern.c_str());
}

struct Case {
  const char* text;
  const char* pattern;
  bool matches;
};

// The documented examples, texts where the run after a star first occurs
// too early (a single pass that stops at the first occurrence rejected
// them), and "?" taking one UTF-8 character (U+00E4, U+20AC).
TEST(WildcardMatch, ExamplesLaterOccurrencesAndUtf8) {
  const Case documented[] = {
      {"anything", "*", true}, {"", "*", true},         {"abc", "ab*", true},
      {"ab", "*b", true},      {"abc", "a*c", true},    {"abc", "a?c", true},
      {"ac", "a?c", false},    {"abx", "*b", false},    {"", "", false},
      {"abc", "", false},      {"abc", "abc", true},    {"abc", "abd", false},
      {"abc", "ab", false},    {"ab", "abc", false},    {"abc", "???", true},
      {"ab", "???", false},    {"abc", "**c", true},    {"abc", "*?", true},
      {"", "?", false},        {"", "*?", false},       {"Abc", "abc", false},
      {"a*c", "a*c", true},    {"xyz", "x*y*z*", true}, {"xz", "x*y*z", false},
  };
  const Case later[] = {
      {"abxb", "*b", true},
      {"abab", "*ab", true},
      {"TL072-TL072", "*072", true},
      {"x.c.c", "*.c", true},
      {"low-noise low", "*low", true},
      {"a\303\244c", "a?c", true},
      {"a\303\244c", "a??c", false},
      {"\342\202\254", "?", true},
      {"x\342\202\254y", "*?y", true},
  };
  for (const Case& c : documented) {
    EXPECT_EQ(MatchWildcards(c.text, c.pattern), c.matches) << c.text << " / " << c.pattern;
  }
  for (const Case& c : later) {
    EXPECT_EQ(MatchWildcards(c.text, c.pattern), c.matches) << c.text << " / " << c.pattern;
  }
}

TEST(WildcardMatch, AgreesWithBacktrackingOnRandomPatterns) {
  const unsigned seed = 20261207;
  std::mt19937 random(seed);
  const char alphabet[] = {'a', 'b', 'c', '*', '?'};
  auto draw = [&](size_t maxLength, int symbols) {
    std::string s(random() % (maxLength + 1), ' ');
    for (char& ch : s) ch = alphabet[random() % symbols];
    return s;
  };
  for (int i = 0; i < 20000; ++i) {
    const std::string text = draw(8, 3);
    const std::string pattern = draw(6, 5);
    const bool ours = MatchWildcards(text, pattern);
    ASSERT_EQ(ours, Reference(text, pattern))
        << "seed " << seed << " step " << i << " text '" << text << "' pattern '" << pattern << "'";
  }
}

TEST(WildcardMatch, ManyStarsOnALongTextStayFast) {
  const std::string text(20000, 'a');
  EXPECT_FALSE(MatchWildcards(text, "*a*a*a*a*a*a*a*a*b"));
  EXPECT_TRUE(MatchWildcards(text + "b", "*a*a*a*a*a*a*a*a*b"));
}

}  // namespace
}  // namespace zl
