// zldb create FILE: a new, empty model library.
#include <cstdio>

#include "commands.h"
#include "zldbctrl70.h"

namespace zldb {

int RunCreate(const Args& argsIn) {
  Args args = argsIn;
  const bool json = TakeFlag(args, "--json");
  if (args.size() != 1) {
    std::fprintf(stderr, "usage: zldb create FILE [--json]\n");
    return 2;
  }
  void* hDB = ZLCreateDatabase(args[0].c_str());
  if (hDB == nullptr) return ReportFailure("creating the database");
  const int status = PrintInfo(hDB, json);
  ZLCloseDatabase(hDB);
  return status;
}

}  // namespace zldb
