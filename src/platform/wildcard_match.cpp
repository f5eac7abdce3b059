#include "platform/wildcard_match.h"

namespace zl {
namespace {

bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The position after the character that starts at pos.
size_t NextCharacter(std::string_view text, size_t pos) {
  ++pos;
  while (pos < text.size() && IsContinuation(text[pos])) ++pos;
  return pos;
}

}  // namespace

bool MatchWildcards(std::string_view text, std::string_view pattern) {
  if (pattern.empty()) return false;
  size_t t = 0;
  size_t p = 0;
  // The last "*" seen and the text position its run was tried up to: on a
  // mismatch the star takes one more character and matching resumes after
  // it.  Only the last star needs revisiting, since an earlier one can
  // never help once a later one has matched.
  size_t starPattern = std::string_view::npos;
  size_t starText = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starPattern = p++;
      starText = t;
    } else if (p < pattern.size() && pattern[p] == '?') {
      ++p;
      t = NextCharacter(text, t);
    } else if (p < pattern.size() && pattern[p] == text[t]) {
      ++p;
      ++t;
    } else if (starPattern != std::string_view::npos) {
      p = starPattern + 1;
      starText = NextCharacter(text, starText);
      t = starText;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace zl
