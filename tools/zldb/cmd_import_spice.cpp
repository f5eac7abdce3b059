// zldb import-spice FILE SPICEFILE... [--folder PATH] [--simlang NAME]
// [--lang LANGID] [--json]: the models of SPICE libraries into a model
// library, one caller transaction per SPICE file.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "arguments.h"
#include "commands.h"
#include "database.h"
#include "json_out.h"
#include "progress.h"
#include "spice_import.h"
#include "tree_edit.h"

namespace zldb {
namespace {

struct Options {
  std::string file, folder, simLanguage = "Spice";
  std::vector<std::string> sources;
  WORD language = 0;
  bool json = false;
};

std::string FoldCase(std::string name) {
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return name;
}

struct FileReport {
  std::string source;
  std::vector<ImportOutcome> outcomes;
  std::string error;  // the message when nothing of the file was imported
};

bool ReadWholeFile(const std::string& path, std::string& content, std::string& error) {
  errno = 0;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(path.c_str(), "rb"), std::fclose);
  if (in == nullptr) {
    error = std::strerror(errno);
    return false;
  }
  char buffer[65536];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, in.get())) > 0;)
    content.append(buffer, n);
  if (std::ferror(in.get())) {
    error = std::strerror(errno);
    return false;
  }
  return true;
}

// The definitions of one SPICE file in one transaction: all of them
// written, or (after a failure) none.
bool ImportDefinitions(CDatabase& db, SpiceTarget& target, const std::string& folderPath,
                       const spice::ReadResult& read, FileReport& report) {
  CProgress progress("importing " + report.source, static_cast<long>(read.definitions.size()));
  if (!PrepareSpiceTables(db, target) ||
      !FindFolder(db, target.language, folderPath, true, target.folder)) {
    return false;
  }
  std::vector<std::string> seen;  // names without regard to case, as SPICE reads them
  for (const spice::Definition& definition : read.definitions) {
    ImportOutcome outcome;
    const std::string key = FoldCase(definition.name);
    if (std::find(seen.begin(), seen.end(), key) != seen.end()) {
      report.outcomes.push_back({definition.firstLine, "skipped", definition.name, 0,
                                 "defined a second time in this file"});
      continue;
    }
    seen.push_back(key);
    if (!WriteSpiceDefinition(db, target, definition, outcome)) return false;
    report.outcomes.push_back(outcome);
    progress.Step(static_cast<long>(seen.size()));
  }
  return true;
}

bool ImportFile(CDatabase& db, const Options& options, const std::string& source,
                FileReport& report) {
  report.source = source;
  std::string content, error;
  if (!ReadWholeFile(source, content, error)) {
    report.error = source + ": cannot be read: " + error;
    return false;
  }
  const spice::ReadResult read = spice::ReadLibrary(content);
  if (!read.error.empty()) {
    report.error =
        source + ":" + std::to_string(read.errorLine) + ": " + read.error + "; nothing imported";
    return false;
  }
  for (const spice::Notice& notice : read.skipped) {
    report.outcomes.push_back({notice.line, "skipped", notice.name, 0, notice.message});
  }
  if (read.definitions.empty()) return true;  // nothing to write, not even the folder
  void* hDB = db.Handle();
  SpiceTarget target{options.simLanguage, options.language, 0};
  if (!db.Run("beginning the import", [&] { return ZLBeginTransaction(hDB); })) {
    report.error = source + ": not imported";
    return false;
  }
  if (!ImportDefinitions(db, target, options.folder, read, report) ||
      !db.Run("committing the import", [&] { return ZLCommitTransaction(hDB); })) {
    ZLRollbackTransaction(hDB);
    report.outcomes.clear();
    report.error = source + ": nothing imported (the library is as it was)";
    return false;
  }
  std::stable_sort(report.outcomes.begin(), report.outcomes.end(),
                   [](const ImportOutcome& a, const ImportOutcome& b) { return a.line < b.line; });
  return true;
}

Json ReportJson(const FileReport& report) {
  Json file = {{"file", report.source}};
  if (!report.error.empty()) file["error"] = report.error;
  for (const char* action : {"created", "updated", "skipped"}) {
    file[action] = std::count_if(report.outcomes.begin(), report.outcomes.end(),
                                 [&](const ImportOutcome& o) { return o.action == action; });
  }
  Json& models = file["results"] = Json::array();
  for (const ImportOutcome& o : report.outcomes) {
    models.push_back({{"line", o.line},
                      {"action", o.action},
                      {"name", o.name},
                      {"id", o.id == 0 ? Json(nullptr) : Json(o.id)},
                      {"note", o.note}});
  }
  return file;
}

void PrintReport(const FileReport& report) {
  for (const ImportOutcome& o : report.outcomes) {
    std::string line = report.source + ":" + std::to_string(o.line) + ": " + o.action;
    if (!o.name.empty()) line += " " + o.name;
    if (o.id != 0) line += " #" + std::to_string(o.id);
    if (!o.note.empty()) line += (o.action == "skipped" ? ": " : "; ") + o.note;
    std::printf("%s\n", line.c_str());
  }
}

}  // namespace

Runner AddImportSpice(CLI::App& command) {
  auto options = std::make_shared<Options>();
  AddFileArgument(command, options->file);
  command.add_option("SPICEFILE", options->sources, "the SPICE libraries to import")
      ->required()
      ->type_name("");
  command
      .add_option("--folder", options->folder,
                  "the folder of new models, titles separated by / (made when missing; "
                  "default: the top level)")
      ->type_name("PATH");
  command
      .add_option("--simlang", options->simLanguage,
                  "the simulator language of macros and call lines (default Spice)")
      ->type_name("NAME")
      ->check(SimLanguageName());
  command
      .add_option("--lang", options->language,
                  "the resource language of titles and folders (default: 1033 when the file "
                  "has it, else its first; added when missing)")
      ->type_name("LANGID")
      ->transform(LanguageId());
  AddJsonFlag(command, options->json);
  command.footer(
      "One model per top-level .SUBCKT and .MODEL: its definition name, its title (the\n"
      "comment above it), pins, parameters (PARAMS: defaults, .MODEL parameters), its text as\n"
      "the macro and a call line (key netlist).  A model whose definition name the library\n"
      "has already is updated.  Each SPICE file is imported in one transaction: one that\n"
      "cannot be read as a whole (an unterminated .SUBCKT) adds nothing.  .INCLUDE is not\n"
      "followed.  Every model created, updated or skipped is listed with file and line.");
  return [options] {
    CDatabase db;
    if (!db.Open(options->file, eOpenReadWriteNoLogin)) return int(kExitFailure);
    bool allOk = true;
    Json files = Json::array();
    for (const std::string& source : options->sources) {
      FileReport report;
      const bool ok = ImportFile(db, *options, source, report);
      allOk = allOk && ok;
      if (options->json) {
        files.push_back(ReportJson(report));
      } else {
        PrintReport(report);
      }
      if (!ok) PrintError(report.error);
    }
    if (options->json) PrintJson({{"file", db.Path()}, {"imports", files}});
    return int(allOk ? kExitOk : kExitFailure);
  };
}

}  // namespace zldb
