// "Did you mean" for a mistyped command or option.
#ifndef ZLDB_SUGGEST_H_
#define ZLDB_SUGGEST_H_

#include <string>
#include <vector>

namespace zldb {

// "; did you mean 'tree'?" for the candidate closest to typed when it is
// close (at most a third of its letters differ), otherwise "".
std::string Suggestion(const std::string& typed, const std::vector<std::string>& candidates);

}  // namespace zldb

#endif  // ZLDB_SUGGEST_H_
