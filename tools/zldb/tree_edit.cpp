#include "tree_edit.h"

#include <unordered_set>
#include <vector>

#include "model_tree.h"

namespace zldb {
namespace {

// Reads one link; absent (a NULL link) is not a failure.  False after a
// printed failure.
bool ReadLink(CDatabase& db, int (*get)(void*, long, long&), long id, long& link, bool& present) {
  present = get(db.Handle(), id, link) != 0;
  if (present || ZLGetLastError() == ZLE_NULL_VALUE) return true;
  db.ReportFailure("reading the links of #" + std::to_string(id));
  return false;
}

// The first record of parent's children (the root for parent 0); 0 when
// there are none.
bool FirstOf(CDatabase& db, long parent, long& first) {
  first = 0;
  bool present = false;
  if (parent != 0) return ReadLink(db, ZLGetFirstChildByID, parent, first, present);
  COleVariant root;
  if (!ZLGetRootBookmark(db.Handle(), root)) {
    if (ZLGetLastError() == ZLE_NO_RECORD) return true;
    db.ReportFailure("finding the first record of the tree");
    return false;
  }
  return db.Run("reading the root's ID",
                [&] { return ZLGetIDByBookmark(db.Handle(), root, first); });
}

// The children of parent in link order; a record met twice ends the list.
bool Children(CDatabase& db, long parent, std::vector<long>& children) {
  long id = 0;
  if (!FirstOf(db, parent, id)) return false;
  std::unordered_set<long> seen;
  while (id != 0) {
    if (!seen.insert(id).second) {
      PrintError(db.Path() + ": the children of #" + std::to_string(parent) + " form a cycle");
      return false;
    }
    children.push_back(id);
    long next = 0;
    bool present = false;
    if (!ReadLink(db, ZLGetNextByID, id, next, present)) return false;
    id = present ? next : 0;
  }
  return true;
}

// A new folder titled title, the last child of parent.
bool CreateFolder(CDatabase& db, WORD language, long parent, const std::string& title,
                  long& folder) {
  void* hDB = db.Handle();
  COleVariant bookmark;
  return db.Run("creating folder " + title, [&] {
    return ZLCreateNewRecord(hDB, bookmark) && ZLGetIDByBookmark(hDB, bookmark, folder) &&
           ZLSetTitleByID(hDB, folder, language, title.c_str(), 0) &&
           ZLSetTypeByID(hDB, folder, kFolderType) &&
           (parent == 0 || ZLSetParentByID(hDB, folder, parent));
  }) && AppendChild(db, parent, folder);
}

}  // namespace

bool AppendChild(CDatabase& db, long parent, long child) {
  void* hDB = db.Handle();
  std::vector<long> children;
  if (!Children(db, parent, children)) return false;
  // A new record can already be the root of an otherwise empty tree.
  long last = 0;
  for (long id : children) {
    if (id != child) last = id;
  }
  if (last == 0) {
    return parent == 0 || db.Run("linking #" + std::to_string(child),
                                 [&] { return ZLSetFirstChildByID(hDB, parent, child); });
  }
  return db.Run("linking #" + std::to_string(child),
                [&] { return ZLSetNextByID(hDB, last, child) && ZLSetPrevByID(hDB, child, last); });
}

bool FindFolder(CDatabase& db, WORD language, const std::string& path, bool create, long& folder) {
  folder = 0;
  size_t start = 0;
  while (start <= path.size()) {
    size_t slash = path.find('/', start);
    if (slash == std::string::npos) slash = path.size();
    const std::string title = path.substr(start, slash - start);
    start = slash + 1;
    if (title.empty()) continue;
    std::vector<long> children;
    if (!Children(db, folder, children)) return false;
    long found = 0;
    for (long id : children) {
      unsigned long type = 0;
      CString text;
      if (ZLGetTypeByID(db.Handle(), id, type) && type == kFolderType &&
          ZLGetTitleByID(db.Handle(), id, language, text, 0) && title == text.GetString()) {
        found = id;
        break;
      }
    }
    if (found == 0 && !create) {
      PrintError(db.Path() + ": has no folder '" + path + "' (no '" + title + "' in language " +
                 std::to_string(language) + ")");
      return false;
    }
    if (found == 0 && !CreateFolder(db, language, folder, title, found)) return false;
    folder = found;
  }
  return true;
}

}  // namespace zldb
