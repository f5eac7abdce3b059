// Writing the definitions read from a SPICE library into model records of
// a model library: per definition one record with its definition name,
// title, pins (conservative nodes), parameters (non-conservative nodes with
// their default values), macro (stored compressed) and call line in one
// simulator language.
#ifndef ZLDB_SPICE_IMPORT_H_
#define ZLDB_SPICE_IMPORT_H_

#include <string>

#include "database.h"
#include "spice/spice_reader.h"

namespace zldb {

// The call key under which import writes a model's call line.
constexpr const char* kSpiceCallKey = "netlist";

struct SpiceTarget {
  std::string simLanguage;
  WORD language = 0;  // resource language of the titles
  long folder = 0;    // where new records go; 0 the top level
};

// What became of one definition or notice of a file.
struct ImportOutcome {
  int line = 0;
  std::string action;  // "created", "updated" or "skipped"
  std::string name;    // the definition, empty for a notice about no model
  long id = 0;         // the record written, 0 when skipped
  std::string note;    // why it was skipped, or what is missing
};

// Gives the library what import writes to: the resource language's string
// tables and the simulator language's macro, call and access tables, each
// when missing.  With language 0, 1033 when the library has it, else its
// first resource language, else 1033; the language chosen is stored back.
// False after a printed failure.
bool PrepareSpiceTables(CDatabase& db, SpiceTarget& target);

// Writes the definition: into the first record whose definition name is
// the same (the record is updated: nodes of the same name keep their IDs
// and texts, the macro of that name and the call line are rewritten), else
// into a new record, the last of target.folder.  A definition whose names
// or values do not fit the library's fields is skipped.  False after a
// printed failure; the caller's transaction must then be rolled back.
bool WriteSpiceDefinition(CDatabase& db, const SpiceTarget& target,
                          const spice::Definition& definition, ImportOutcome& outcome);

}  // namespace zldb

#endif  // ZLDB_SPICE_IMPORT_H_
