// The zldb commands.  Each takes the arguments after its name and returns
// the process exit code: 0 success, 1 the library reported a failure, 2 the
// command line was wrong.
#ifndef ZLDB_COMMANDS_H_
#define ZLDB_COMMANDS_H_

#include <string>
#include <vector>

namespace zldb {

using Args = std::vector<std::string>;

struct Command {
  const char* name;
  const char* usage;    // arguments, for the help text
  const char* summary;  // one line
  int (*run)(const Args& args);
};

// Every command, in the order the help lists them.
const std::vector<Command>& Commands();

int RunCreate(const Args& args);
int RunInfo(const Args& args);
int RunLanguages(const Args& args);
int RunAddLanguage(const Args& args);
int RunAddSimTable(const Args& args);

// Prints the library's last error for a failed call and returns 1.
int ReportFailure(const char* what);

// Prints the database's properties, as text or as one JSON object.
int PrintInfo(void* hDB, bool json);

// Whether args holds the flag; removes it.
bool TakeFlag(Args& args, const char* flag);

}  // namespace zldb

#endif  // ZLDB_COMMANDS_H_
