#include "suggest.h"

#include <algorithm>

namespace zldb {
namespace {

// Edit distance (insertions, deletions, substitutions).
size_t Distance(const std::string& a, const std::string& b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

}  // namespace

std::string Suggestion(const std::string& typed, const std::vector<std::string>& candidates) {
  const std::string* best = nullptr;
  size_t bestDistance = 0;
  for (const std::string& candidate : candidates) {
    const size_t distance = Distance(typed, candidate);
    if (best == nullptr || distance < bestDistance) {
      best = &candidate;
      bestDistance = distance;
    }
  }
  if (best == nullptr || bestDistance * 3 > std::max(typed.size(), best->size())) return "";
  return "; did you mean '" + *best + "'?";
}

}  // namespace zldb
