#include "platform/wildcard_match.h"

#include <gtest/gtest.h>

#include <cstring>
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

// The single-pass reading of the pattern that searches the literal run
// after a "*" only at its first occurrence.  Whatever it matches is a true
// match, but it misses texts where the run occurs again later.
bool FirstOccurrence(const std::string& text, const std::string& pattern) {
  if (pattern.empty()) return false;
  size_t pos = 0;
  bool star = false;
  size_t i = 0;
  while (i < pattern.size()) {
    const char c = pattern[i];
    if (c == '*') {
      star = true;
      ++i;
    } else if (c == '?') {
      if (pos >= text.size()) return false;
      ++pos;
      ++i;
    } else if (star) {
      const size_t end = pattern.find_first_of("*?", i);
      const std::string run = pattern.substr(i, end == std::string::npos ? end : end - i);
      const size_t found = text.find(run, pos);
      if (found == std::string::npos) return false;
      pos = found + run.size();
      star = false;
      i += run.size();
    } else {
      if (pos >= text.size() || text[pos] != c) return false;
      ++pos;
      ++i;
    }
  }
  return pos == text.size() || star;
}

struct Case {
  const char* text;
  const char* pattern;
  bool matches;
};

TEST(WildcardMatch, DocumentedExamplesAndEdges) {
  const Case cases[] = {
      {"anything", "*", true}, {"", "*", true},         {"abc", "ab*", true},
      {"ab", "*b", true},      {"abc", "a*c", true},    {"abc", "a?c", true},
      {"ac", "a?c", false},    {"abx", "*b", false},    {"", "", false},
      {"abc", "", false},      {"abc", "abc", true},    {"abc", "abd", false},
      {"abc", "ab", false},    {"ab", "abc", false},    {"abc", "???", true},
      {"ab", "???", false},    {"abc", "**c", true},    {"abc", "*?", true},
      {"", "?", false},        {"", "*?", false},       {"Abc", "abc", false},
      {"a*c", "a*c", true},    {"xyz", "x*y*z*", true}, {"xz", "x*y*z", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MatchWildcards(c.text, c.pattern), c.matches)
        << "text '" << c.text << "' pattern '" << c.pattern << "'";
  }
}

// Texts where the run after a star occurs first too early: a single pass
// that stops at the first occurrence rejects them, though they match.
TEST(WildcardMatch, LaterOccurrencesOfTheRunAfterAStarAreFound) {
  const Case cases[] = {
      {"abxb", "*b", true},
      {"abab", "*ab", true},
      {"TL072-TL072", "*072", true},
      {"x.c.c", "*.c", true},
      {"opamp low-noise low", "*low", true},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(MatchWildcards(c.text, c.pattern)) << c.text << " / " << c.pattern;
    EXPECT_FALSE(FirstOccurrence(c.text, c.pattern)) << c.text << " / " << c.pattern;
  }
}

TEST(WildcardMatch, QuestionMarkTakesOneUtf8Character) {
  EXPECT_TRUE(
      MatchWildcards("a\xC3\xA4"
                     "c",
                     "a?c"));  // a, U+00E4, c
  EXPECT_FALSE(
      MatchWildcards("a\xC3\xA4"
                     "c",
                     "a??c"));
  EXPECT_TRUE(MatchWildcards("\xE2\x82\xAC", "?"));  // U+20AC
  EXPECT_TRUE(
      MatchWildcards("x\xE2\x82\xAC"
                     "y",
                     "*?y"));
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
    // The first-occurrence pass never matches more than the true answer.
    if (FirstOccurrence(text, pattern)) {
      ASSERT_TRUE(ours) << "text '" << text << "' pattern '" << pattern << "'";
    }
  }
}

TEST(WildcardMatch, ManyStarsOnALongTextStayFast) {
  const std::string text(20000, 'a');
  EXPECT_FALSE(MatchWildcards(text, "*a*a*a*a*a*a*a*a*b"));
  EXPECT_TRUE(MatchWildcards(text + "b", "*a*a*a*a*a*a*a*a*b"));
}

}  // namespace
}  // namespace zl
