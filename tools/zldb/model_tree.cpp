#include "model_tree.h"

#include <cstdio>
#include <unordered_set>
#include <utility>

#include "arguments.h"

namespace zldb {
namespace {

// Whether the last call failed only because the value is absent: an empty
// field (10), or a text missing in the language (20, 27).
bool OnlyAbsent() {
  const int code = ZLGetLastError();
  return code == ZLE_NULL_VALUE || code == ZLE_NO_LANGUAGE || code == ZLE_NO_RESOURCE_TEXT;
}

}  // namespace

bool CollectTree(void* hDB, WORD language, long from, int maxDepth, std::vector<TreeEntry>& entries,
                 std::vector<std::string>& problems) {
  entries.clear();
  long root = from;
  if (root == 0) {
    COleVariant rootBookmark;
    if (!ZLGetRootBookmark(hDB, rootBookmark)) return ZLGetLastError() == ZLE_NO_RECORD;
    if (!ZLGetIDByBookmark(hDB, rootBookmark, root)) return false;
  }

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
    // Below a given start record its siblings are not part of the tree.
    long link = 0;
    if (from == 0 || depth > 0) {
      if (ZLGetNextByID(hDB, id, link)) {
        pending.emplace_back(link, depth);
      } else if (!OnlyAbsent()) {
        return false;
      }
    }
    if (ZLGetFirstChildByID(hDB, id, link)) {
      if (maxDepth >= 0 && depth >= maxDepth) {
        entries.back().more = true;
      } else {
        pending.emplace_back(link, depth + 1);
      }
    } else if (!OnlyAbsent()) {
      return false;
    }
  }
  return true;
}

bool ResolveLanguage(CDatabase& db, WORD& language) {
  CArray<WORD, WORD> languages;
  if (!db.Run("listing the resource languages",
              [&] { return ZLGetAvailableResourceLanguages(db.Handle(), languages); })) {
    return false;
  }
  const WORD wanted = language == 0 ? 1033 : language;
  for (int i = 0; i < languages.GetSize(); ++i) {
    if (languages[i] == wanted) {
      language = wanted;
      return true;
    }
  }
  if (language == 0) {
    language = languages.GetSize() > 0 ? languages[0] : 1033;
    return true;
  }
  PrintError(db.Path() + ": has no resource language " + std::to_string(language) +
             " (its languages: " + LanguageList(languages) + ")");
  return false;
}

bool RecordExists(CDatabase& db, long id) {
  COleVariant bookmark;
  if (ZLGetBookmarkByID(db.Handle(), id, bookmark)) return true;
  if (ZLGetLastError() == ZLE_NO_RECORD) {
    PrintError(db.Path() + ": has no record #" + std::to_string(id));
  } else {
    db.ReportFailure("finding record #" + std::to_string(id));
  }
  return false;
}

bool FindByDefinitionName(CDatabase& db, const std::string& name, std::vector<long>& ids) {
  void* hDB = db.Handle();
  CTypedPtrArray<CPtrArray, COleVariant*> bookmarks;
  if (!db.Run("looking up the definition name",
              [&] { return ZLGetMacrosBookmarkByDefName(hDB, name.c_str(), bookmarks); })) {
    return false;
  }
  bool ok = true;
  for (int i = 0; ok && i < bookmarks.GetSize(); ++i) {
    long id = 0;
    ok = db.Run("reading a record ID", [&] { return ZLGetIDByBookmark(hDB, *bookmarks[i], id); });
    if (ok) ids.push_back(id);
  }
  ZLFreeBookmarkArray(bookmarks);
  return ok;
}

}  // namespace zldb
