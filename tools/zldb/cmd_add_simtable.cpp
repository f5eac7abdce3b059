// zldb add-simtable FILE KIND SIMLANG [--exclusive] [--json]: a call, macro,
// access or package table for a simulator language.
#include <CLI/CLI.hpp>
#include <memory>
#include <string>

#include "arguments.h"
#include "commands.h"
#include "database.h"
#include "json_out.h"
#include "simtables.h"

namespace zldb {
namespace {

int AddTable(CDatabase& db, const SimTableKind& kind, const std::string& language, bool exclusive,
             bool json) {
  void* hDB = db.Handle();
  const std::string table = std::string(kind.name) + " table for " + language;
  const bool added = kind.add(hDB, language.c_str(), exclusive) != 0;
  if (!added) {
    if (ZLGetLastError() != ZLE_SIMTABLE_EXISTS) {
      db.ReportFailure("adding the " + table);
      return kExitFailure;
    }
    // Already there: fine when it is what was asked for.
    int stored = 1;
    if (kind.isExclusive != nullptr && !db.Run("reading the exclusive flag", [&] {
          return kind.isExclusive(hDB, language.c_str(), stored);
        })) {
      return kExitFailure;
    }
    if (kind.isExclusive != nullptr && (stored != 0) != exclusive) {
      PrintError(db.Path() + ": already has a " + table + ", and it is " +
                 (stored != 0 ? "exclusive" : "not exclusive") + "; nothing changed");
      return kExitFailure;
    }
  }
  PrintChange(json,
              {{"file", db.Path()},
               {"kind", kind.name},
               {"language", language},
               {"exclusive", kind.isExclusive == nullptr || exclusive}},
              added, added ? table + " added" : table + " is already present; nothing changed");
  return kExitOk;
}

}  // namespace

Runner AddAddSimTable(CLI::App& command) {
  auto options = AddChangeArguments(command, ChangeTarget::kSimTable);
  auto exclusive = std::make_shared<bool>(false);
  command.add_flag("--exclusive", *exclusive,
                   "mark a call or macro table exclusive (access and package tables always are)");
  command.footer(
      "Simulator-language names are case-sensitive (SPICE and Spice are two languages).  A table\n"
      "that is already there as asked is left as it is (exit status 0); one that differs in\n"
      "--exclusive is an error (exit status 1).");
  return [options, exclusive] {
    const SimTableKind& kind = *FindSimTableKind(options->kind);
    if (*exclusive && kind.isExclusive == nullptr) {
      return UsageError("add-simtable", "--exclusive applies only to call and macro tables; " +
                                            options->kind + " tables are always exclusive");
    }
    CDatabase db;
    if (!db.Open(options->file, eOpenReadWriteNoLogin)) return int(kExitFailure);
    return AddTable(db, kind, options->simLanguage, *exclusive, options->json);
  };
}

}  // namespace zldb
