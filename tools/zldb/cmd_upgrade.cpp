// zldb upgrade FILE [--json]: brings a model library of an older layout up
// to the current one.
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
namespace {

struct CVersions {
  ZLDBVersion version = ZLDBVersion0;
  ZLDBStructVersion structure = ZLDBStructVersion0;

  std::string Text() const {
    return std::to_string(version) + " (structure " + std::to_string(structure) + ")";
  }
  Json ToJson() const { return {{"version", version}, {"structure", structure}}; }
};

bool ReadVersions(CDatabase& db, CVersions& versions) {
  return db.Run("reading the version", [&] {
    return ZLGetDatabaseVersion(db.Handle(), versions.version, versions.structure);
  });
}

}  // namespace

Runner AddUpgrade(CLI::App& command) {
  auto options = AddFileAndJson(command);
  command.footer(
      "Each step is written with the version it reaches: an upgrade that is interrupted leaves "
      "the last version reached, and running the command again completes it.  A library at "
      "the current version is left as it is (exit status 0).");
  return [options] {
    CDatabase db;
    if (!db.Open(options->file, eOpenReadWriteNoLogin)) return int(kExitFailure);
    CVersions before, after;
    if (!ReadVersions(db, before)) return int(kExitFailure);
    const bool needed = before.version < GetZLDBCtrlDBVersion();
    // One call does every step; on a terminal the line says what runs.
    CProgress progress("upgrading " + db.Path() + " from version " + before.Text() + " ...");
    if (needed) progress.Show();
    const bool ok = db.Run("upgrading", [&] {
      void* upgraded = ZLConvertDatabase(db.Handle());
      progress.Clear();
      // A failed upgrade has released the handle; a compacted one gives a
      // new handle and has released the old.
      if (upgraded != db.Handle()) db.Adopt(upgraded);
      return upgraded != nullptr && ZLGetLastError() == ZLE_OK ? 1 : 0;
    });
    if (!ok || !ReadVersions(db, after)) return int(kExitFailure);
    PrintChange(options->json,
                {{"file", db.Path()}, {"from", before.ToJson()}, {"to", after.ToJson()}}, needed,
                needed ? "upgraded from version " + before.Text() + " to " + after.Text()
                       : "already at version " + after.Text() + "; nothing changed");
    return int(kExitOk);
  };
}

}  // namespace zldb
