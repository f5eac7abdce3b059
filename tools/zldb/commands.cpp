#include "commands.h"

namespace zldb {

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = {
      {"create", "create an empty model library and print its properties", AddCreate},
      {"info", "print a model library's versions, state and texts", AddInfo},
      {"languages", "list resource languages and simulator-language tables", AddLanguages},
      {"add-language", "add the tables of a resource language", AddAddLanguage},
      {"remove-language", "remove a resource language and its texts", AddRemoveLanguage},
      {"add-simtable", "add a call, macro, access or package table", AddAddSimTable},
      {"remove-simtable", "remove a simulator-language table and its rows", AddRemoveSimTable},
      {"demo", "create a sample model library with folders and models", AddDemo},
      {"tree", "print the tree of folders and models with titles", AddTree},
      {"show", "print one record's attributes, by ID or definition name", AddShow},
      {"packages", "list the VHDL packages in list order", AddPackages},
      {"query", "list the records and parameter sets that meet search criteria", AddQuery},
      {"copy", "copy a model into a library as a new record under a folder", AddCopy},
      {"delete", "delete a record with everything that belongs to it", AddDelete},
      {"upgrade", "bring a model library of an older layout up to the current one", AddUpgrade},
      {"check", "check a model library's storage, tree, content and registries", AddCheck},
      {"repair", "repair and compact a model library nobody has open", AddRepair},
      {"export", "write a whole model library as deterministic JSON", AddExport},
      {"import", "build a new model library from a zldb export", AddImport},
      {"copy-library", "copy a whole model library between files and PostgreSQL servers",
       AddCopyLibrary},
      {"legacy-info", "list the models of a library of the older, flat layout", AddLegacyInfo},
      {"import-spice", "import the models of SPICE libraries", AddImportSpice},
      {"export-spice", "write the macros of a simulator language as one SPICE library",
       AddExportSpice},
      {"check-models", "load every model in ngspice and report those that fail", AddCheckModels},
  };
  return commands;
}

}  // namespace zldb
