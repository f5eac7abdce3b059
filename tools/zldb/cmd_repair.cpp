// zldb repair FILE [--json]: salvage, compaction and relinking of the tree
// of a model library nobody has open.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>

#include "arguments.h"
#include "commands.h"
#include "database.h"
#include "json_out.h"

namespace zldb {

Runner AddRepair(CLI::App& command) {
  struct Options {
    std::string file;
    bool json = false;
  };
  auto options = std::make_shared<Options>();
  AddFileArgument(command, options->file);
  AddJsonFlag(command, options->json);
  command.footer(
      "The file must not be open anywhere.  It is repaired on copies in a private temporary "
      "folder and replaced only when the repair succeeded; otherwise it is left as it was.");
  return [options] {
    if (::isatty(STDOUT_FILENO)) std::fprintf(stderr, "repairing %s ...\n", options->file.c_str());
    ZLRepairSummary summary{};
    if (ZLRepairDatabase(options->file.c_str(), summary) != 1) {
      const int code = ZLGetLastError();
      PrintError(options->file + ": repair failed: " + ZLGetErrorText(code) + " (" +
                 std::to_string(code) + ")");
      return int(kExitFailure);
    }
    if (options->json) {
      Json out;
      out["file"] = options->file;
      out["records"] = summary.m_lRecords;
      out["reached"] = summary.m_lReached;
      out["reattached"] = summary.m_lReattached;
      out["cyclesBroken"] = summary.m_lCyclesBroken;
      out["linksRewritten"] = summary.m_lLinksRewritten;
      PrintJson(out);
    } else {
      std::printf(
          "%s: repaired: %ld records, %ld reached from the root, %ld re-attached, %ld parent "
          "cycles broken, %ld records relinked\n",
          options->file.c_str(), summary.m_lRecords, summary.m_lReached, summary.m_lReattached,
          summary.m_lCyclesBroken, summary.m_lLinksRewritten);
    }
    return int(kExitOk);
  };
}

}  // namespace zldb
