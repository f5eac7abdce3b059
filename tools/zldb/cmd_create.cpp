// zldb create FILE [--json]: a new, empty model library.
#include <CLI/CLI.hpp>
#include <memory>
#include <string>

#include "arguments.h"
#include "commands.h"
#include "info.h"

namespace zldb {

Runner AddCreate(CLI::App& command) {
  auto options = AddFileAndJson(command);
  command.footer("An existing file is never overwritten.  A FILE that starts with '-' follows --.");
  return [options] {
    CDatabase db;
    if (!db.Create(options->file)) return int(kExitFailure);
    return PrintInfo(db, options->json);
  };
}

}  // namespace zldb
