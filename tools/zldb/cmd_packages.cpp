// zldb packages FILE [--json]: the VHDL packages in list order, from the
// root along NEXT.  The walk keeps the packages it has seen, so a list with
// a cycle prints each package once and says where the cycle closes;
// packages the list does not reach follow, marked as unlinked.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "arguments.h"
#include "commands.h"
#include "database.h"
#include "json_out.h"

namespace zldb {
namespace {

struct PackageRow {
  long id = 0;
  std::string name;
  unsigned long state = 0;
  std::vector<std::string> languages;  // with an object
  bool linked = true;
};

bool ReadPackage(CDatabase& db, long id, bool linked, PackageRow& row) {
  void* hDB = db.Handle();
  row.id = id;
  row.linked = linked;
  CString name;
  if (ZLGetPackageNameByID(hDB, id, name) == 0 && ZLGetLastError() != ZLE_NULL_VALUE) {
    db.ReportFailure("reading the name of package " + std::to_string(id));
    return false;
  }
  row.name = name.GetString();
  if (ZLGetPackageStateByID(hDB, id, row.state) == 0 && ZLGetLastError() != ZLE_NULL_VALUE) {
    db.ReportFailure("reading the state of package " + std::to_string(id));
    return false;
  }
  COleVariant bookmark;
  CZLBinaryPackageMap objects;
  if (!db.Run("reading package " + std::to_string(id), [&] {
        return ZLGetPackageBookmarkByID(hDB, id, bookmark) &&
               ZLGetPackageByBookmark(hDB, bookmark, objects, ZL_PACKAGE_ACCESS);
      })) {
    return false;
  }
  CString language;
  CZLBinaryPackageObject* object = nullptr;
  std::set<std::string> sorted;
  for (POSITION pos = objects.GetStartPosition(); pos != nullptr;) {
    objects.GetNextAssoc(pos, language, object);
    sorted.insert(language.GetString());
  }
  ZLFreePackageMap(objects);
  row.languages.assign(sorted.begin(), sorted.end());
  return true;
}

// The packages in list order, then the unlinked ones in ID order; cycleAt
// is the ID whose NEXT closes a cycle (0: none).
bool ReadPackages(CDatabase& db, std::vector<PackageRow>& rows, long& cycleAt) {
  void* hDB = db.Handle();
  CZLBookmarkArray all;
  if (!db.Run("listing the packages", [&] { return ZLGetPackageAllBookmarks(hDB, all); })) {
    return false;
  }
  std::vector<long> ids;
  for (int i = 0; i < all.GetSize(); ++i) {
    long id = 0;
    if (ZLGetPackageIDByBookmark(hDB, *all[i], id) != 0) ids.push_back(id);
  }
  ZLFreeBookmarkArray(all);
  std::set<long> seen;
  cycleAt = 0;
  if (!ids.empty()) {
    COleVariant root;
    long id = ids.front();
    // PREV links that form a cycle leave no first package: the walk then
    // starts at the lowest ID.
    if (ZLGetPackageRootBookmark(hDB, root) == 0 || ZLGetPackageIDByBookmark(hDB, root, id) == 0) {
      PrintWarning(db.Path() + ": no first package (error " + std::to_string(ZLGetLastError()) +
                   "); listing from package " + std::to_string(ids.front()));
      id = ids.front();
    }
    while (id != 0 && seen.insert(id).second) {
      PackageRow row;
      if (!ReadPackage(db, id, true, row)) return false;
      rows.push_back(row);
      long next = 0;
      if (ZLGetPackageNextByID(hDB, id, next) == 0) break;  // none, or no such package
      if (seen.count(next) != 0) cycleAt = id;
      id = next;
    }
  }
  for (long id : ids) {
    if (seen.count(id) != 0) continue;
    PackageRow row;
    if (!ReadPackage(db, id, false, row)) return false;
    rows.push_back(row);
  }
  return true;
}

}  // namespace

Runner AddPackages(CLI::App& command) {
  auto file = std::make_shared<std::string>();
  auto json = std::make_shared<bool>(false);
  AddFileArgument(command, *file);
  AddJsonFlag(command, *json);
  command.footer(
      "Lists the VHDL packages from the first one along their NEXT links, with their\n"
      "state and the simulator languages they have contents in; packages the list\n"
      "does not reach follow as unlinked.");
  return [file, json] {
    CDatabase db;
    if (!db.Open(*file, eOpenReadOnly)) return int(kExitFailure);
    std::vector<PackageRow> rows;
    long cycleAt = 0;
    if (!ReadPackages(db, rows, cycleAt)) return int(kExitFailure);
    if (cycleAt != 0) {
      PrintWarning(db.Path() + ": the package list has a cycle after package " +
                   std::to_string(cycleAt));
    }
    if (*json) {
      Json document = {{"packages", Json::array()}};
      for (const PackageRow& row : rows) {
        document["packages"].push_back({{"id", row.id},
                                        {"name", row.name},
                                        {"state", row.state},
                                        {"linked", row.linked},
                                        {"languages", row.languages}});
      }
      document["cycleAfter"] = cycleAt == 0 ? Json(nullptr) : Json(cycleAt);
      PrintJson(document);
      return int(kExitOk);
    }
    if (rows.empty()) std::printf("no packages\n");
    for (const PackageRow& row : rows) {
      std::string languages;
      for (const std::string& language : row.languages) {
        languages += (languages.empty() ? "" : ", ") + language;
      }
      std::printf("#%ld %s  state %lu  %s%s\n", row.id, row.name.c_str(), row.state,
                  languages.empty() ? "no contents" : languages.c_str(),
                  row.linked ? "" : "  (unlinked)");
    }
    return int(kExitOk);
  };
}

}  // namespace zldb
