// The models of a model library as export-spice and check-models read them:
// in tree order, below a folder or all, with their macros and call line in
// one simulator language.
#ifndef ZLDB_SPICE_MODELS_H_
#define ZLDB_SPICE_MODELS_H_

#include <string>
#include <vector>

#include "database.h"

namespace zldb {

struct SpiceModel {
  long id = 0;
  std::string title;                // in the language asked for; empty when none
  std::string defName;              // empty when none
  std::vector<std::string> macros;  // the macro texts in table order
  size_t defaultMacro = 0;          // the one marked default, else the first
  std::string callLine;             // the call line of key netlist, else the first; empty when none
};

// The models (records that are not folders) below the folder named by
// folderPath (titles in language, '/' between them; the whole tree when
// empty) that have a macro in simLanguage, in tree order.  language 0
// takes the default of ResolveLanguage.  Records the walk meets twice or
// links to missing records are left out with a warning.  False after a
// printed failure (no such folder or language, no macro table for
// simLanguage, a failed read).
bool CollectSpiceModels(CDatabase& db, WORD language, const std::string& folderPath,
                        const std::string& simLanguage, std::vector<SpiceModel>& models);

}  // namespace zldb

#endif  // ZLDB_SPICE_MODELS_H_
