// zldb tree FILE [--lang LANGID] [--from ID] [--depth N] [--json]: the tree
// of folders and models.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "arguments.h"
#include "commands.h"
#include "json_out.h"
#include "model_tree.h"

namespace zldb {
namespace {

void PrintText(const std::vector<TreeEntry>& entries) {
  if (entries.empty()) std::printf("(empty tree)\n");
  for (const TreeEntry& e : entries) {
    std::string line(static_cast<size_t>(e.depth) * 2, ' ');
    if (e.missing) {
      line += "! (missing record)";
    } else {
      line += e.folder ? "+ " : "- ";
      line += e.title.empty() ? "(no title)" : e.title;
      if (!e.defName.empty()) line += "  [" + e.defName + "]";
    }
    line += "  #" + std::to_string(e.id);
    if (e.more) line += "  ...";
    std::printf("%s\n", line.c_str());
  }
}

Json EntryJson(const TreeEntry& e) {
  Json node;
  node["id"] = e.id;
  if (e.missing) {
    node["missing"] = true;
  } else {
    node["folder"] = e.folder;
    node["title"] = e.title.empty() ? Json(nullptr) : Json(e.title);
    node["defName"] = e.defName.empty() ? Json(nullptr) : Json(e.defName);
  }
  if (e.more) node["more"] = true;
  node["children"] = Json::array();
  return node;
}

// Nested objects from the entries in tree order: open[d] is the children
// array that entries of depth d go into.
void PrintTreeJson(const std::vector<TreeEntry>& entries, WORD language) {
  Json out;
  out["language"] = language;
  out["tree"] = Json::array();
  std::vector<Json*> open = {&out["tree"]};
  for (const TreeEntry& e : entries) {
    open.resize(static_cast<size_t>(e.depth) + 1);
    Json& node = open.back()->emplace_back(EntryJson(e));
    open.push_back(&node["children"]);
  }
  PrintJson(out);
}

}  // namespace

Runner AddTree(CLI::App& command) {
  struct Options {
    std::string file;
    WORD language = 0;
    long from = 0;
    int depth = -1;
    bool json = false;
  };
  auto options = std::make_shared<Options>();
  AddFileArgument(command, options->file);
  AddLanguageOption(command, options->language);
  command.add_option("--from", options->from, "start at this record (an ID or #ID) instead")
      ->type_name("ID")
      ->transform(RecordId());
  command
      .add_option("--depth", options->depth,
                  "list at most N levels below the first (0: the first level only)")
      ->type_name("N")
      ->transform(Count());
  AddJsonFlag(command, options->json);
  command.footer(
      "Folders are marked +, models -; [NAME] is the definition name and #ID the record ID that\n"
      "'zldb show' takes; ... marks a record whose children lie below --depth.  A damaged tree\n"
      "(a link to a missing record, a link cycle) is printed as far as it goes, with a warning.");
  return [options] {
    CDatabase db;
    if (!db.Open(options->file, eOpenReadOnly)) return int(kExitFailure);
    WORD language = options->language;
    if (!ResolveLanguage(db, language)) return int(kExitFailure);
    COleVariant bookmark;
    if (options->from != 0 && !db.Run("finding record " + std::to_string(options->from), [&] {
          return ZLGetBookmarkByID(db.Handle(), options->from, bookmark);
        })) {
      return int(kExitFailure);
    }
    std::vector<TreeEntry> entries;
    std::vector<std::string> problems;
    if (!db.Run("reading the tree", [&] {
          return CollectTree(db.Handle(), language, options->from, options->depth, entries,
                             problems);
        })) {
      return int(kExitFailure);
    }
    if (options->json) {
      PrintTreeJson(entries, language);
    } else {
      PrintText(entries);
    }
    for (const std::string& problem : problems) PrintWarning(db.Path() + ": " + problem);
    return int(kExitOk);
  };
}

}  // namespace zldb
