#include "model_tree.h"

#include <cstdio>
#include <unordered_set>
#include <utility>

namespace zldb {
namespace {

// Whether the last call failed only because the value is absent: an empty
// field (10), or a text missing in the language (20, 27).
bool OnlyAbsent() {
  const int code = ZLGetLastError();
  return code == ZLE_NULL_VALUE || code == ZLE_NO_LANGUAGE || code == ZLE_NO_RESOURCE_TEXT;
}

}  // namespace

bool CollectTree(void* hDB, WORD language, std::vector<TreeEntry>& entries,
                 std::vector<std::string>& problems) {
  entries.clear();
  COleVariant rootBookmark;
  if (!ZLGetRootBookmark(hDB, rootBookmark)) return ZLGetLastError() == ZLE_NO_RECORD;
  long root = 0;
  if (!ZLGetIDByBookmark(hDB, rootBookmark, root)) return false;

  // Depth-first with an explicit stack, so a deep tree cannot exhaust the
  // call stack; the set of records seen ends any cycle.
  std::unordered_set<long> seen;
  std::vector<std::pair<long, int>> pending = {{root, 0}};
  while (!pending.empty()) {
    const auto [id, depth] = pending.back();
    pending.pop_back();
    if (!seen.insert(id).second) {
      problems.push_back("record " + std::to_string(id) +
                         " is reached a second time through the links; not followed again");
      continue;
    }
    TreeEntry entry;
    entry.id = id;
    entry.depth = depth;
    unsigned long type = 0;
    if (ZLGetTypeByID(hDB, id, type)) {
      entry.folder = type == kFolderType;
    } else if (ZLGetLastError() == ZLE_NO_RECORD) {
      entry.missing = true;
      problems.push_back("a link names record " + std::to_string(id) + ", which does not exist");
      entries.push_back(entry);
      continue;
    } else if (!OnlyAbsent()) {
      return false;
    }
    CString text;
    if (ZLGetTitleByID(hDB, id, language, text, 0)) {
      entry.title = text.GetString();
    } else if (!OnlyAbsent()) {
      return false;
    }
    if (ZLGetDefNameByID(hDB, id, text)) {
      entry.defName = text.GetString();
    } else if (!OnlyAbsent()) {
      return false;
    }
    entries.push_back(entry);
    // The next sibling waits below the first child, which comes first.
    long link = 0;
    if (ZLGetNextByID(hDB, id, link)) {
      pending.emplace_back(link, depth);
    } else if (!OnlyAbsent()) {
      return false;
    }
    if (ZLGetFirstChildByID(hDB, id, link)) {
      pending.emplace_back(link, depth + 1);
    } else if (!OnlyAbsent()) {
      return false;
    }
  }
  return true;
}

WORD DefaultLanguage(void* hDB) {
  CArray<WORD, WORD> languages;
  if (!ZLGetAvailableResourceLanguages(hDB, languages) || languages.GetSize() == 0) return 1033;
  for (int i = 0; i < languages.GetSize(); ++i) {
    if (languages[i] == 1033) return 1033;
  }
  return languages[0];
}

std::string FormatDate(const COleDateTime& date) { return date.Format().GetString(); }

}  // namespace zldb
