// The arguments many commands share, and strict parsing of the numbers and
// names they take.  A value that does not parse is refused while the line is
// parsed, with a message that names the argument and what it takes.
#ifndef ZLDB_ARGUMENTS_H_
#define ZLDB_ARGUMENTS_H_

#include <CLI/CLI.hpp>
#include <memory>
#include <string>

#include "zldbctrl70.h"

namespace zldb {

// FILE: the model library, the first positional argument.  An empty name is
// refused.  Also adds --timeout SECONDS, the wait for a lock another process
// holds on the file (the library's busy timeout).
void AddFileArgument(CLI::App& command, std::string& file);

// --json: print one JSON document instead of text.
void AddJsonFlag(CLI::App& command, bool& json);

// FILE and --json, for the commands that take nothing else; the runner
// keeps the object alive.
struct FileAndJson {
  std::string file;
  bool json = false;
};
std::shared_ptr<FileAndJson> AddFileAndJson(CLI::App& command);

// --lang LANGID: the resource language to show titles in; 0 when not given.
void AddLanguageOption(CLI::App& command, WORD& language);

// A language ID: decimal (1033) or 0x hexadecimal (0x0409), no sign, no
// spaces, no leading zero in decimal; its primary language (the low ten
// bits) from 1 to 1022, so 0 and 65535 are refused.  Rewritten to decimal.
CLI::Validator LanguageId();

// A record ID: decimal, optionally written as #35 (as zldb tree prints
// it), from 1 to 2147483647.  Rewritten to plain decimal.
CLI::Validator RecordId();

// A count: decimal from 0 to 1000000, no leading zero.
CLI::Validator Count();

// Seconds: decimal from 0 to 86400, no leading zero.
CLI::Validator Seconds();

// The --timeout given on the command line, in seconds; -1 when none was.
long& LockWaitSeconds();

// A simulator-language name: 1 to 32 letters, digits, '_' or '-'.
CLI::Validator SimLanguageName();

// KIND: call, macro, access or package.
CLI::Validator SimTableKindName();

// The parsers behind the validators: an empty error when text is valid.
std::string ParseLanguageId(const std::string& text, WORD& language);
std::string ParseRecordId(const std::string& text, long& id);

// The command line of the commands that add or remove a language's tables:
// FILE, then LANGID (a resource language) or KIND SIMLANG (a simulator-
// language table), then --json.  The values are filled in as the line is
// parsed; the commands' runners keep the object alive.
enum class ChangeTarget { kResourceLanguage, kSimTable };
struct ChangeArguments {
  std::string file;
  WORD language = 0;        // kResourceLanguage
  std::string kind;         // kSimTable: call, macro, access or package
  std::string simLanguage;  // kSimTable
  bool json = false;
};
std::shared_ptr<ChangeArguments> AddChangeArguments(CLI::App& command, ChangeTarget target);

// Prints "zldb COMMAND: message" and where to read the usage; returns the
// exit status of a wrong command line (2).
int UsageError(const std::string& command, const std::string& message);

// The languages as "1033, 1031", or "none".
std::string LanguageList(const CArray<WORD, WORD>& languages);

}  // namespace zldb

#endif  // ZLDB_ARGUMENTS_H_
