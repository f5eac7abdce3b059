// zldb repair FILE [--json]: salvage, compaction and relinking of the tree
// of a model library nobody has open.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>

#include "arguments.h"
#include "commands.h"
#include "database.h"
#include "json_out.h"
#include "progress.h"

namespace zldb {

Runner AddRepair(CLI::App& command) {
  auto options = AddFileAndJson(command);
  command.footer(
      "The file must not be open anywhere.  It is repaired on copies in a private temporary "
      "folder and replaced only when the repair succeeded; otherwise it is left as it was.  A "
      "library on a server is repaired in place, in one transaction.");
  return [options] {
    ZLRepairSummary summary{};
    int repaired = 0;
    {
      // One call does the work; the line says what runs while it does.
      CProgress progress("repairing " + options->file + " ...");
      progress.Show();
      repaired = ZLRepairDatabase(options->file.c_str(), summary);
    }
    if (repaired != 1) return PrintLibraryFailure(options->file, "repair");
    const Json out = {{"file", options->file},
                      {"records", summary.m_lRecords},
                      {"reached", summary.m_lReached},
                      {"reattached", summary.m_lReattached},
                      {"cyclesBroken", summary.m_lCyclesBroken},
                      {"linksRewritten", summary.m_lLinksRewritten}};
    return PrintResult(
        options->json, out,
        [&](const Json&) {
          std::printf(
              "%s: repaired: %ld records, %ld reached from the root, %ld re-attached, %ld "
              "parent cycles broken, %ld records relinked\n",
              options->file.c_str(), summary.m_lRecords, summary.m_lReached, summary.m_lReattached,
              summary.m_lCyclesBroken, summary.m_lLinksRewritten);
        },
        kExitOk);
  };
}

}  // namespace zldb
