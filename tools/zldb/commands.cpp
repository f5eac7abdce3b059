#include "commands.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "zldbctrl70.h"

namespace zldb {

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = {
      {"create", "FILE [--json]", "create an empty model library and print its properties",
       RunCreate},
      {"info", "FILE [--json]", "print a model library's versions, state and texts", RunInfo},
      {"languages", "FILE [--json]", "list resource languages and simulator-language tables",
       RunLanguages},
      {"add-language", "FILE LANGID", "add the tables of a resource language", RunAddLanguage},
      {"add-simtable", "FILE KIND LANG [--exclusive]", "add a call, macro, access or package table",
       RunAddSimTable},
      {"demo", "FILE", "create a sample model library with folders and models", RunDemo},
      {"tree", "FILE [--lang LANGID] [--json]", "print the tree of folders and models with titles",
       RunTree},
      {"show", "FILE ID [--lang LANGID] [--json]", "print one record's attributes", RunShow},
  };
  return commands;
}

int ReportFailure(const char* what) {
  const int code = ZLGetLastError();
  std::fprintf(stderr, "zldb: %s failed: error %d (%s)\n", what, code, ZLGetErrorText(code));
  return 1;
}

bool TakeFlag(Args& args, const char* flag) {
  auto it = std::find(args.begin(), args.end(), flag);
  if (it == args.end()) return false;
  args.erase(it);
  return true;
}

bool TakeOption(Args& args, const char* option, std::string& value) {
  auto it = std::find(args.begin(), args.end(), option);
  if (it == args.end() || it + 1 == args.end()) return false;
  value = *(it + 1);
  args.erase(it, it + 2);
  return true;
}

bool ParseLanguage(const std::string& text, WORD& language) {
  char* end = nullptr;
  const unsigned long value = std::strtoul(text.c_str(), &end, 0);
  if (text.empty() || *end != '\0' || value > 0xFFFF) return false;
  language = static_cast<WORD>(value);
  return true;
}

void* OpenOrReport(const std::string& path, EOpenMode mode) {
  void* hDB = ZLOpenDatabase(path.c_str(), mode);
  if (hDB == nullptr) ReportFailure("opening the database");
  return hDB;
}

}  // namespace zldb
