// zldb remove-simtable FILE KIND SIMLANG [--json]: a simulator-language
// table with every row in it.
#include <CLI/CLI.hpp>
#include <string>

#include "arguments.h"
#include "commands.h"
#include "database.h"
#include "json_out.h"
#include "simtables.h"

namespace zldb {

Runner AddRemoveSimTable(CLI::App& command) {
  auto options = AddChangeArguments(command, ChangeTarget::kSimTable);
  command.footer(
      "Every row of the table goes with it.  A table the file does not have is an error (exit\n"
      "status 1) that lists the simulator languages that have one of that kind.");
  return [options] {
    const SimTableKind& kind = *FindSimTableKind(options->kind);
    CDatabase db;
    if (!db.Open(options->file, eOpenReadWriteNoLogin)) return int(kExitFailure);
    void* hDB = db.Handle();
    const std::string table = options->kind + " table for " + options->simLanguage;
    CStringArray languages;
    if (!db.Run("listing the " + options->kind + " tables",
                [&] { return kind.list(hDB, languages); })) {
      return int(kExitFailure);
    }
    std::string list;
    bool present = false;
    for (int i = 0; i < languages.GetSize(); ++i) {
      present |= options->simLanguage == languages[i].GetString();
      list += (i > 0 ? ", " : "") + std::string(languages[i].GetString());
    }
    if (!present) {
      PrintError(db.Path() + ": has no " + table + " (" + options->kind +
                 " tables: " + (list.empty() ? "none" : list) + ")");
      return int(kExitFailure);
    }
    if (!db.Run("removing the " + table,
                [&] { return kind.remove(hDB, options->simLanguage.c_str()); })) {
      return int(kExitFailure);
    }
    PrintChange(options->json,
                {{"file", db.Path()}, {"kind", kind.name}, {"language", options->simLanguage}},
                true, table + " removed");
    return int(kExitOk);
  };
}

}  // namespace zldb
