// zldb delete FILE ID [--json]: a record removed with everything that
// belongs to it, its neighbours' links mended.
#include <CLI/CLI.hpp>
#include <memory>
#include <string>

#include "arguments.h"
#include "commands.h"
#include "database.h"
#include "json_out.h"
#include "model_tree.h"

namespace zldb {
namespace {

// A link of the record, 0 when it is NULL; false after a printed failure.
template <typename Get>
bool ReadLink(CDatabase& db, const char* what, Get&& get, long& link) {
  link = 0;
  if (get(link)) return true;
  if (ZLGetLastError() == ZLE_NULL_VALUE) return true;
  db.ReportFailure(std::string("reading ") + what);
  return false;
}

// Takes the record out of its parent's list of children.
bool Unlink(CDatabase& db, long id) {
  void* hDB = db.Handle();
  long parent = 0, prev = 0, next = 0, child = 0;
  if (!ReadLink(
          db, "the parent", [&](long& v) { return ZLGetParentByID(hDB, id, v); }, parent) ||
      !ReadLink(
          db, "the previous", [&](long& v) { return ZLGetPrevByID(hDB, id, v); }, prev) ||
      !ReadLink(
          db, "the next", [&](long& v) { return ZLGetNextByID(hDB, id, v); }, next) ||
      !ReadLink(
          db, "the first child", [&](long& v) { return ZLGetFirstChildByID(hDB, id, v); }, child)) {
    return false;
  }
  COleVariant childBookmark;
  if (child != 0 && ZLGetBookmarkByID(hDB, child, childBookmark)) {
    PrintError(db.Path() + ": #" + std::to_string(id) + " has children; delete or move them first");
    return false;
  }
  long first = 0;
  if (parent != 0 && !ReadLink(
                         db, "the parent's first child",
                         [&](long& v) { return ZLGetFirstChildByID(hDB, parent, v); }, first)) {
    return false;
  }
  return (parent == 0 || first != id ||
          db.Run("unlinking", [&] { return ZLSetFirstChildByID(hDB, parent, next); })) &&
         (prev == 0 || db.Run("unlinking", [&] { return ZLSetNextByID(hDB, prev, next); })) &&
         (next == 0 || db.Run("unlinking", [&] { return ZLSetPrevByID(hDB, next, prev); }));
}

}  // namespace

Runner AddDelete(CLI::App& command) {
  struct Options {
    std::string file;
    long id = 0;
    bool json = false;
  };
  auto options = std::make_shared<Options>();
  AddFileArgument(command, options->file);
  command.add_option("ID", options->id, "the record to delete (an ID or #ID)")
      ->required()
      ->type_name("")
      ->transform(RecordId());
  AddJsonFlag(command, options->json);
  command.footer(
      "The record goes with its texts, keywords, files, nodes, macros, calls, symbols and\n"
      "user-defined data; its neighbours and parent are linked past it.  A record with\n"
      "children is refused.  All or nothing.");
  return [options] {
    CDatabase db;
    if (!db.Open(options->file, eOpenReadWriteNoLogin)) return int(kExitFailure);
    void* hDB = db.Handle();
    const long id = options->id;
    if (!RecordExists(db, id)) return int(kExitFailure);
    if (!db.Run("beginning the deletion", [&] { return ZLBeginTransaction(hDB); })) {
      return int(kExitFailure);
    }
    const bool ok =
        Unlink(db, id) &&
        db.Run("deleting user-defined data", [&] { return ZLDeleteUDTRecordByID(hDB, id); }) &&
        db.Run("deleting the record", [&] { return ZLDeleteRecordByID(hDB, id); }) &&
        db.Run("committing the deletion", [&] { return ZLCommitTransaction(hDB); });
    if (!ok) {
      ZLRollbackTransaction(hDB);
      return int(kExitFailure);
    }
    PrintChange(options->json, {{"file", db.Path()}, {"id", id}}, true,
                "deleted #" + std::to_string(id));
    return int(kExitOk);
  };
}

}  // namespace zldb
