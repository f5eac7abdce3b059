// zldb show FILE RECORD [--name] [--lang LANGID] [--json]: one record's
// attributes, found by ID or by definition name.
#include <CLI/CLI.hpp>
#include <memory>
#include <string>
#include <vector>

#include "arguments.h"
#include "commands.h"
#include "model_tree.h"
#include "show.h"

namespace zldb {
namespace {

bool LooksLikeId(const std::string& text) {
  const size_t from = !text.empty() && text[0] == '#' ? 1 : 0;
  if (from >= text.size()) return false;
  for (size_t i = from; i < text.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
  }
  return true;
}

// The record the argument names; 0 after a printed error.
long FindShownRecord(CDatabase& db, const std::string& record, bool byName) {
  if (!byName) {
    long id = 0;
    ParseRecordId(record, id);  // checked while parsing the line
    return RecordExists(db, id) ? id : 0;
  }
  std::vector<long> ids;
  if (!FindByDefinitionName(db, record, ids)) return 0;
  if (ids.size() == 1) return ids[0];
  if (ids.empty()) {
    PrintError(db.Path() + ": has no record with definition name '" + record + "'");
  } else {
    std::string list;
    for (long id : ids) list += (list.empty() ? "#" : ", #") + std::to_string(id);
    PrintError(db.Path() + ": " + std::to_string(ids.size()) + " records have definition name '" +
               record + "' (" + list + "); give the ID");
  }
  return 0;
}

}  // namespace

Runner AddShow(CLI::App& command) {
  struct Options {
    std::string file, record;
    bool byName = false;
    WORD language = 0;
    bool json = false;
    std::vector<std::string> profile;
  };
  auto options = std::make_shared<Options>();
  AddFileArgument(command, options->file);
  command
      .add_option("RECORD", options->record,
                  "the record: its ID (35 or #35, as zldb tree prints it) or its definition name")
      ->required()
      ->type_name("");
  command.add_flag("--name", options->byName,
                   "take RECORD as a definition name even when it is a number");
  AddLanguageOption(command, options->language);
  AddJsonFlag(command, options->json);
  command
      .add_option("--profile", options->profile,
                  "also show the record's profile string KEY of SECTION (repeatable)")
      ->type_name("SECTION/KEY")
      ->check([](const std::string& text) -> std::string {
        const size_t slash = text.rfind('/');
        return slash == std::string::npos || slash == 0 || slash + 1 == text.size()
                   ? "expected SECTION/KEY"
                   : "";
      });
  command.footer(
      "The language of --lang is the one the path and the parameter sets' titles are shown in;\n"
      "titles and information are shown in every resource language.  A definition name that\n"
      "several records share is an error that lists their IDs.  Parameter sets are shown in\n"
      "chain order, sets outside the chain after them.");
  return [options] {
    const bool byName = options->byName || !LooksLikeId(options->record);
    long id = 0;
    if (!byName) {
      const std::string error = ParseRecordId(options->record, id);
      if (!error.empty()) return UsageError("show", "RECORD: " + error);
    }
    CDatabase db;
    if (!db.Open(options->file, eOpenReadOnly)) return int(kExitFailure);
    WORD language = options->language;
    if (!ResolveLanguage(db, language)) return int(kExitFailure);
    id = FindShownRecord(db, options->record, byName);
    if (id == 0) return int(kExitFailure);
    ShowContext context{db, id, language, {}};
    for (const std::string& entry : options->profile) {
      const size_t slash = entry.rfind('/');
      context.profileKeys.emplace_back(entry.substr(0, slash), entry.substr(slash + 1));
    }
    Json record;
    record["id"] = id;
    for (ShowSection section : ShowSections()) {
      if (!section(context, record)) return int(kExitFailure);
    }
    if (options->json) {
      PrintJson(record);
    } else {
      PrintRecordText(record);
    }
    return int(kExitOk);
  };
}

}  // namespace zldb
