// The zldb commands.  Each lives in its own file (cmd_NAME.cpp) and is
// listed in the table of commands.cpp: its Add function declares the
// command's arguments on the subcommand made for it and returns what runs
// the command once the line is parsed.  Adding a command is one new file and
// one line in that table.
//
// Exit status of every command: 0 success (also when what was asked for
// already holds: adding a language that is there changes nothing and exits
// 0), 1 failure (the message names the file and the cause), 2 a wrong
// command line (the message names the argument).
#ifndef ZLDB_COMMANDS_H_
#define ZLDB_COMMANDS_H_

#include <functional>
#include <string>
#include <vector>

#include "zldbctrl70.h"

namespace CLI {
class App;
}

namespace zldb {

enum ExitStatus : int { kExitOk = 0, kExitFailure = 1, kExitUsage = 2 };

using Runner = std::function<int()>;

struct Command {
  const char* name;
  const char* summary;  // one line, for the list of commands
  Runner (*add)(CLI::App& command);
};

// Every command, in the order the help lists them.
const std::vector<Command>& Commands();

Runner AddCreate(CLI::App& command);
Runner AddInfo(CLI::App& command);
Runner AddLanguages(CLI::App& command);
Runner AddAddLanguage(CLI::App& command);
Runner AddRemoveLanguage(CLI::App& command);
Runner AddAddSimTable(CLI::App& command);
Runner AddRemoveSimTable(CLI::App& command);
Runner AddDemo(CLI::App& command);
Runner AddTree(CLI::App& command);
Runner AddShow(CLI::App& command);
Runner AddPackages(CLI::App& command);
Runner AddQuery(CLI::App& command);
Runner AddCopy(CLI::App& command);
Runner AddDelete(CLI::App& command);
Runner AddUpgrade(CLI::App& command);
Runner AddCheck(CLI::App& command);
Runner AddRepair(CLI::App& command);
Runner AddLegacyInfo(CLI::App& command);
Runner AddImportSpice(CLI::App& command);
Runner AddExportSpice(CLI::App& command);
Runner AddCheckModels(CLI::App& command);
Runner AddExport(CLI::App& command);
Runner AddImport(CLI::App& command);
Runner AddCopyLibrary(CLI::App& command);

}  // namespace zldb

#endif  // ZLDB_COMMANDS_H_
