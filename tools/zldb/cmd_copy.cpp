// zldb copy SRC ID DST [--parent ID] [--json]: a model of one library copied
// into another (or the same) as a new record, linked under a folder.
#include <CLI/CLI.hpp>
#include <memory>
#include <string>

#include "arguments.h"
#include "commands.h"
#include "database.h"
#include "json_out.h"
#include "model_tree.h"
#include "tree_edit.h"

namespace zldb {

Runner AddCopy(CLI::App& command) {
  struct Options {
    std::string source, dest;
    long id = 0, parent = 0;
    bool json = false;
  };
  auto options = std::make_shared<Options>();
  command.add_option("SRC", options->source, "the model library to copy from")
      ->required()
      ->type_name("");
  command.add_option("ID", options->id, "the record to copy (an ID or #ID)")
      ->required()
      ->type_name("")
      ->transform(RecordId());
  command.add_option("DST", options->dest, "the model library to copy into (may be SRC)")
      ->required()
      ->type_name("");
  command.add_option("--parent", options->parent, "link the copy as the last child of this record")
      ->type_name("ID")
      ->transform(RecordId());
  AddJsonFlag(command, options->json);
  command.footer(
      "The copy is a new record of DST with the model's attributes, texts, keywords, files,\n"
      "nodes, macros, calls and symbols; DST needs the languages and simulator tables they use.\n"
      "All or nothing: when anything fails, DST is left as it was.");
  return [options] {
    CDatabase source, dest;
    const bool same = options->source == options->dest;
    if (!dest.Open(options->dest, eOpenReadWriteNoLogin)) return int(kExitFailure);
    if (!same && !source.Open(options->source, eOpenReadOnly)) return int(kExitFailure);
    CDatabase& from = same ? dest : source;
    void* hDest = dest.Handle();
    COleVariant sourceBookmark;
    if (!from.Run("finding record " + std::to_string(options->id),
                  [&] { return ZLGetBookmarkByID(from.Handle(), options->id, sourceBookmark); })) {
      return int(kExitFailure);
    }
    if (options->parent != 0 && !RecordExists(dest, options->parent)) return int(kExitFailure);
    if (!dest.Run("beginning the copy", [&] { return ZLBeginTransaction(hDest); })) {
      return int(kExitFailure);
    }
    COleVariant bookmark;
    long created = 0;
    const bool ok =
        dest.Run("creating the record", [&] { return ZLCreateNewRecord(hDest, bookmark); }) &&
        dest.Run("reading its ID", [&] { return ZLGetIDByBookmark(hDest, bookmark, created); }) &&
        dest.Run("copying the record",
                 [&] {
                   return ZLCopyRecordByBookmark(from.Handle(), sourceBookmark, hDest, bookmark);
                 }) &&
        dest.Run("copying its user-defined data",
                 [&] {
                   return ZLCopyUDTRecordByBookmark(from.Handle(), sourceBookmark, hDest, bookmark);
                 }) &&
        (options->parent == 0 ||
         (dest.Run("linking the copy",
                   [&] { return ZLSetParentByID(hDest, created, options->parent); }) &&
          AppendChild(dest, options->parent, created))) &&
        dest.Run("committing the copy", [&] { return ZLCommitTransaction(hDest); });
    if (!ok) {
      ZLRollbackTransaction(hDest);
      return int(kExitFailure);
    }
    PrintChange(options->json,
                {{"file", dest.Path()},
                 {"source", options->id},
                 {"id", created},
                 {"parent", options->parent == 0 ? Json(nullptr) : Json(options->parent)}},
                true, "copied #" + std::to_string(options->id) + " to #" + std::to_string(created));
    return int(kExitOk);
  };
}

}  // namespace zldb
