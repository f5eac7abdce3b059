// zldb add-language FILE LANGID [--json]: the tables of a resource language.
#include <CLI/CLI.hpp>
#include <string>

#include "arguments.h"
#include "commands.h"
#include "database.h"
#include "json_out.h"

namespace zldb {

Runner AddAddLanguage(CLI::App& command) {
  auto options = AddChangeArguments(command, ChangeTarget::kResourceLanguage);
  command.footer("A language that is already there is left as it is (exit status 0).");
  return [options] {
    CDatabase db;
    if (!db.Open(options->file, eOpenReadWriteNoLogin)) return int(kExitFailure);
    const std::string language = std::to_string(options->language);
    if (!db.Run("adding language " + language,
                [&] { return ZLAddResourceTable(db.Handle(), options->language); })) {
      return int(kExitFailure);
    }
    const bool added = ZLGetLastError() != ZLE_LANGUAGE_EXISTS;
    PrintChange(options->json, {{"file", db.Path()}, {"language", options->language}}, added,
                added ? "language " + language + " added"
                      : "language " + language + " is already present; nothing changed");
    return int(kExitOk);
  };
}

}  // namespace zldb
