// zldb: the command-line face of the model-library database library.
#include <cstdio>
#include <cstring>

#include "commands.h"
#include "zldbctrl70.h"

namespace zldb {
namespace {

void PrintUsage(FILE* out) {
  std::fprintf(out, "usage: zldb COMMAND [ARGS]\n\ncommands:\n");
  for (const Command& command : Commands()) {
    std::fprintf(out, "  %-13s %-33s %s\n", command.name, command.usage, command.summary);
  }
  std::fprintf(out,
               "\n  --version  print the library's version\n"
               "  --help     print this text\n"
               "\nExit status: 0 success, 1 the library reported a failure, 2 bad usage.\n");
}

}  // namespace
}  // namespace zldb

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("zldb %s (database version %d, structure version %d)\n", ZLDBCTRL70_VERSION_STRING,
                GetZLDBCtrlDBVersion(), GetZLDBCtrlStructVersion());
    return 0;
  }
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "help") == 0)) {
    zldb::PrintUsage(stdout);
    return 0;
  }
  if (argc >= 2) {
    for (const zldb::Command& command : zldb::Commands()) {
      if (std::strcmp(argv[1], command.name) == 0) {
        return command.run(zldb::Args(argv + 2, argv + argc));
      }
    }
  }
  zldb::PrintUsage(stderr);
  return 2;
}
