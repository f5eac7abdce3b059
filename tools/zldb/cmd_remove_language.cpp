// zldb remove-language FILE LANGID [--json]: a resource language's tables,
// with every text in that language.
#include <CLI/CLI.hpp>
#include <string>

#include "arguments.h"
#include "commands.h"
#include "database.h"
#include "json_out.h"

namespace zldb {

Runner AddRemoveLanguage(CLI::App& command) {
  auto options = AddChangeArguments(command, ChangeTarget::kResourceLanguage);
  command.footer(
      "Every title and text in the language goes with it.  A language the file does not have\n"
      "is an error (exit status 1) that lists the languages it has.");
  return [options] {
    CDatabase db;
    if (!db.Open(options->file, eOpenReadWriteNoLogin)) return int(kExitFailure);
    void* hDB = db.Handle();
    const std::string language = std::to_string(options->language);
    CArray<WORD, WORD> languages;
    if (!db.Run("listing the resource languages",
                [&] { return ZLGetAvailableResourceLanguages(hDB, languages); })) {
      return int(kExitFailure);
    }
    bool present = false;
    for (int i = 0; i < languages.GetSize(); ++i) present |= languages[i] == options->language;
    if (!present) {
      PrintError(db.Path() + ": has no resource language " + language +
                 " (its languages: " + LanguageList(languages) + ")");
      return int(kExitFailure);
    }
    if (!db.Run("removing language " + language,
                [&] { return ZLRemoveResourceTable(hDB, options->language); })) {
      return int(kExitFailure);
    }
    PrintChange(options->json, {{"file", db.Path()}, {"language", options->language}}, true,
                "language " + language + " removed");
    return int(kExitOk);
  };
}

}  // namespace zldb
