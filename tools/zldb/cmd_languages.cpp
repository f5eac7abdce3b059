// zldb languages FILE [--json]: resource languages and simulator-language
// tables.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>

#include "arguments.h"
#include "commands.h"
#include "database.h"
#include "json_out.h"
#include "simtables.h"

namespace zldb {
namespace {

int PrintLanguages(CDatabase& db, bool json) {
  void* hDB = db.Handle();
  CArray<WORD, WORD> languages;
  if (!db.Run("listing the resource languages",
              [&] { return ZLGetAvailableResourceLanguages(hDB, languages); })) {
    return kExitFailure;
  }
  Json out;
  out["resourceLanguages"] = Json::array();
  for (int i = 0; i < languages.GetSize(); ++i) out["resourceLanguages"].push_back(languages[i]);
  out["simulatorTables"] = Json::array();
  size_t count = 0;
  const SimTableKind* kinds = SimTableKinds(count);
  for (size_t k = 0; k < count; ++k) {
    CStringArray sims;
    if (!db.Run(std::string("listing the ") + kinds[k].name + " tables",
                [&] { return kinds[k].list(hDB, sims); })) {
      return kExitFailure;
    }
    for (int i = 0; i < sims.GetSize(); ++i) {
      int exclusive = 1;  // access and package tables are always exclusive
      if (kinds[k].isExclusive != nullptr && !db.Run("reading the exclusive flag", [&] {
            return kinds[k].isExclusive(hDB, sims[i], exclusive);
          })) {
        return kExitFailure;
      }
      Json entry;
      entry["language"] = sims[i].GetString();
      entry["kind"] = kinds[k].name;
      entry["exclusive"] = exclusive != 0;
      out["simulatorTables"].push_back(entry);
    }
  }
  if (json) {
    PrintJson(out);
    return kExitOk;
  }
  std::printf("resource languages:\n");
  if (languages.GetSize() == 0) std::printf("  (none)\n");
  for (int i = 0; i < languages.GetSize(); ++i) {
    std::printf("  %u (0x%04x)\n", languages[i], languages[i]);
  }
  std::printf("simulator-language tables:\n");
  if (out["simulatorTables"].empty()) std::printf("  (none)\n");
  for (const Json& entry : out["simulatorTables"]) {
    std::printf("  %-12s %s%s\n", entry["language"].get<std::string>().c_str(),
                entry["kind"].get<std::string>().c_str(),
                entry["exclusive"].get<bool>() ? " (exclusive)" : "");
  }
  return kExitOk;
}

}  // namespace

Runner AddLanguages(CLI::App& command) {
  auto options = AddFileAndJson(command);
  command.footer(
      "Resource languages hold the texts people read (titles, information); simulator-language\n"
      "tables hold what a simulator reads: call lines, macro texts, access data and VHDL-AMS\n"
      "packages, one table of each kind per simulator language.");
  return [options] {
    CDatabase db;
    if (!db.Open(options->file, eOpenReadOnly)) return int(kExitFailure);
    return PrintLanguages(db, options->json);
  };
}

}  // namespace zldb
