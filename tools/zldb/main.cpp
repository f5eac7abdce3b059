// zldb: the command-line face of the model-library database library.
#include <cstdio>
#include <cstring>

#include "zldbctrl70.h"

namespace {

void PrintUsage(FILE* out) {
  std::fprintf(out,
               "usage: zldb --version\n"
               "       zldb --help\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("zldb %s\n", ZLDBCTRL70_VERSION_STRING);
    return 0;
  }
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    PrintUsage(stdout);
    return 0;
  }
  PrintUsage(stderr);
  return 2;
}
