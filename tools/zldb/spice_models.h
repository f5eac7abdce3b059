// The models of a model library as export-spice and check-models read them:
// in tree order, below a folder or all, with their macros and call line in
// one simulator language.
#ifndef ZLDB_SPICE_MODELS_H_
#define ZLDB_SPICE_MODELS_H_

#include <string>
#include <vector>

#include "database.h"

namespace CLI {
class App;
}

namespace zldb {

struct SpiceModel {
  long id = 0;
  std::string title;                // in the language asked for; empty when none
  std::string defName;              // empty when none
  std::vector<std::string> macros;  // the macro texts in table order
  size_t defaultMacro = 0;          // the one marked default, else the first
  std::string callLine;             // the call line of key netlist, else the first; empty when none
};

// What export-spice and check-models work on: FILE, --simlang (default
// Spice, or required), --folder PATH and --lang LANGID.
struct SpiceSelection {
  std::string file, folder, simLanguage = "Spice";
  WORD language = 0;
};
void AddSpiceSelection(CLI::App& command, SpiceSelection& selection, bool requireSimLanguage);

// Opens the selection's file to read and collects its models (records that
// are not folders) below the folder named by the selection (titles in its
// language, '/' between them; the whole tree when empty) that have a macro
// in its simulator language, in tree order.  Language 0 takes the default
// of ResolveLanguage.  Records the walk meets twice or links to missing
// records are left out with a warning.  False after a printed failure (no
// such file, folder or language, no macro table for the simulator
// language, a failed read).
bool CollectSpiceModels(CDatabase& db, const SpiceSelection& selection,
                        std::vector<SpiceModel>& models);

}  // namespace zldb

#endif  // ZLDB_SPICE_MODELS_H_
