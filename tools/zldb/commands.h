// The zldb commands.  Each takes the arguments after its name and returns
// the process exit code: 0 success, 1 the library reported a failure, 2 the
// command line was wrong.
#ifndef ZLDB_COMMANDS_H_
#define ZLDB_COMMANDS_H_

#include <string>
#include <vector>

#include "zldbctrl70.h"

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
int RunDemo(const Args& args);
int RunTree(const Args& args);
int RunShow(const Args& args);

// Prints the library's last error for a failed call and returns 1.
int ReportFailure(const char* what);

// Prints the database's properties, as text or as one JSON object.
int PrintInfo(void* hDB, bool json);

// Whether args holds the flag; removes it.
bool TakeFlag(Args& args, const char* flag);

// The value after an option ("--lang 1031"); removes both.  False when the
// option is absent; value is then untouched.  An option without a value is
// left in args, so that the argument count check refuses it.
bool TakeOption(Args& args, const char* option, std::string& value);

// Parses a language ID given in decimal (1033) or hexadecimal (0x0409).
bool ParseLanguage(const std::string& text, WORD& language);

// Opens FILE for the command; prints the failure and returns null.
void* OpenOrReport(const std::string& path, EOpenMode mode);

}  // namespace zldb

#endif  // ZLDB_COMMANDS_H_
