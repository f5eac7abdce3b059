#include "commands.h"

#include <algorithm>
#include <cstdio>

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
      {"add-simtable", "FILE KIND LANG [--exclusive]",
       "add a call, macro, access or package table", RunAddSimTable},
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

}  // namespace zldb
