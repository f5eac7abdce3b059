// Matching a text against a pattern with the wildcards "*" (any run of
// characters, the empty run included) and "?" (exactly one character).
// Every other pattern byte stands for itself; matching is byte for byte and
// case-sensitive (callers fold case first when they want it ignored).
// Characters are UTF-8: "?" takes one whole character, a lead byte with its
// continuation bytes.
#ifndef ZLDBCTRL70_SRC_PLATFORM_WILDCARD_MATCH_H_
#define ZLDBCTRL70_SRC_PLATFORM_WILDCARD_MATCH_H_

#include <string_view>

namespace zl {

// Whether pattern matches the whole of text.  An empty pattern matches
// nothing (not even an empty text).  Time is at most proportional to the
// product of both lengths; no recursion.
bool MatchWildcards(std::string_view text, std::string_view pattern);

}  // namespace zl

#endif  // ZLDBCTRL70_SRC_PLATFORM_WILDCARD_MATCH_H_
