// zldb add-language FILE LANGID [--json]: the tables of a resource language.
#include <CLI/CLI.hpp>
#include <memory>
#include <string>

#include "arguments.h"
#include "commands.h"
#include "database.h"
#include "json_out.h"

namespace zldb {

Runner AddAddLanguage(CLI::App& command) {
  struct Options {
    std::string file;
    WORD language = 0;
    bool json = false;
  };
  auto options = std::make_shared<Options>();
  AddFileArgument(command, options->file);
  command.add_option("LANGID", options->language, "the language ID, e.g. 1033 or 0x0409")
      ->required()
      ->type_name("")
      ->transform(LanguageId());
  AddJsonFlag(command, options->json);
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
