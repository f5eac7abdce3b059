// zldb export-spice FILE [--simlang NAME] [--folder PATH] [--lang LANGID]
// [-o OUTPUT]: the macros of a simulator language as one SPICE library.
#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "arguments.h"
#include "commands.h"
#include "database.h"
#include "spice_models.h"

namespace zldb {
namespace {

struct Options {
  SpiceSelection selection;
  std::string output;
};

// The library text: a header, then per macro its model's title as a
// comment line right above it (so that import takes it as the title) and
// a blank line after it.
std::string LibraryText(const std::vector<SpiceModel>& models, size_t& count) {
  std::string text = "* SPICE models exported by zldb\n\n";
  count = 0;
  for (const SpiceModel& model : models) {
    std::string title = model.title;
    for (char& c : title) c = c == '\n' || c == '\r' ? ' ' : c;
    for (const std::string& macro : model.macros) {
      if (!title.empty()) text += "* " + title + "\n";
      text += macro;
      if (!macro.empty() && macro.back() != '\n') text += "\n";
      text += "\n";
      ++count;
    }
  }
  return text;
}

bool WriteOutput(const std::string& path, const std::string& text) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(std::fopen(path.c_str(), "wb"), std::fclose);
  bool ok = out != nullptr && std::fwrite(text.data(), 1, text.size(), out.get()) == text.size();
  ok = out != nullptr && std::fclose(out.release()) == 0 && ok;
  if (!ok) PrintError(path + ": cannot be written: " + std::strerror(errno));
  return ok;
}

}  // namespace

Runner AddExportSpice(CLI::App& command) {
  auto options = std::make_shared<Options>();
  AddSpiceSelection(command, options->selection, false);
  command.add_option("-o,--output", options->output, "write the library to this file")
      ->type_name("OUTPUT");
  command.footer(
      "Writes every macro of the simulator language, models in tree order, each preceded by\n"
      "its model's title as a comment line, to standard output or OUTPUT.  Importing the\n"
      "result with import-spice gives the same models back.");
  return [options] {
    CDatabase db;
    std::vector<SpiceModel> models;
    if (!CollectSpiceModels(db, options->selection, models)) {
      return int(kExitFailure);
    }
    size_t count = 0;
    const std::string text = LibraryText(models, count);
    if (options->output.empty()) {
      std::fwrite(text.data(), 1, text.size(), stdout);
      return int(kExitOk);
    }
    if (!WriteOutput(options->output, text)) return int(kExitFailure);
    std::printf("%s: %zu macros of %zu models\n", options->output.c_str(), count, models.size());
    return int(kExitOk);
  };
}

}  // namespace zldb
