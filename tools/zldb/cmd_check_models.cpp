// zldb check-models FILE --simlang NAME [--folder PATH] [--lang LANGID]
// [--jobs N] [--time-limit SECONDS] [--json]: every model's macro loaded by
// ngspice through a netlist that instantiates it with its call line.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "arguments.h"
#include "commands.h"
#include "database.h"
#include "json_out.h"
#include "progress.h"
#include "spice/ngspice_run.h"
#include "spice_models.h"

namespace zldb {
namespace {

struct Options {
  SpiceSelection selection;
  unsigned jobs = 0;
  unsigned timeLimit = 10;
  bool json = false;
};

// The netlist that loads the model: a title line, the macro, the call line.
std::string Netlist(const SpiceModel& model) {
  std::string text = "* zldb check-models: " + model.defName + " #" + std::to_string(model.id) +
                     "\n" + model.macros[model.defaultMacro];
  if (!text.empty() && text.back() != '\n') text += "\n";
  return text + model.callLine + "\n.end\n";
}

}  // namespace

Runner AddCheckModels(CLI::App& command) {
  auto options = std::make_shared<Options>();
  AddSpiceSelection(command, options->selection, true);
  command.add_option("--jobs", options->jobs, "run at most N at a time (default: the cores)")
      ->type_name("N")
      ->check(CLI::Range(1, 256));
  command
      .add_option("--time-limit", options->timeLimit, "stop ngspice after this long (default 10)")
      ->type_name("SECONDS")
      ->check(CLI::Range(1, 3600));
  AddJsonFlag(command, options->json);
  command.footer(
      "Runs ngspice in batch mode (ngspice -b) on each model that has a macro in the language:\n"
      "a netlist of its default macro and its call line.  A model fails when ngspice reports\n"
      "an error loading it (its message is shown) or does not finish in time; exit status 1\n"
      "when any fails.  A model without a call line is skipped.  $ZLDB_NGSPICE names another\n"
      "ngspice program.");
  return [options] {
    CDatabase db;
    std::vector<SpiceModel> models;
    if (!CollectSpiceModels(db, options->selection, models)) {
      return int(kExitFailure);
    }
    std::vector<spice::SimulatorJob> jobs;
    std::vector<size_t> jobOf(models.size(), SIZE_MAX);
    for (size_t i = 0; i < models.size(); ++i) {
      if (models[i].callLine.empty()) continue;
      jobOf[i] = jobs.size();
      jobs.emplace_back();
      jobs.back().netlist = Netlist(models[i]);
    }
    const unsigned parallel =
        options->jobs != 0 ? options->jobs : std::max(1u, std::thread::hardware_concurrency());
    std::string error;
    {
      CProgress progress("checking models", static_cast<long>(jobs.size()));
      if (!spice::RunSimulatorJobs(
              jobs, parallel, options->timeLimit,
              [&](size_t done) { progress.Step(static_cast<long>(done)); }, error)) {
        PrintError(error);
        return int(kExitFailure);
      }
    }
    size_t passed = 0, failed = 0, skipped = 0;
    Json list = Json::array();
    for (size_t i = 0; i < models.size(); ++i) {
      const SpiceModel& model = models[i];
      std::string result = "skipped", message = "no call line in " + options->selection.simLanguage;
      double seconds = 0;
      if (jobOf[i] != SIZE_MAX) {
        const spice::SimulatorJob& job = jobs[jobOf[i]];
        result = job.passed ? "passed" : "failed";
        message = job.message;
        seconds = job.seconds;
      }
      (result == "passed" ? passed : result == "failed" ? failed : skipped) += 1;
      if (options->json) {
        list.push_back({{"id", model.id},
                        {"name", model.defName},
                        {"result", result},
                        {"message", message},
                        {"seconds", seconds}});
        continue;
      }
      std::printf("#%ld %s: %s%s", model.id, model.defName.c_str(), result.c_str(),
                  result == "skipped" ? (": " + message).c_str() : "");
      // ngspice's message, indented under the model.
      if (result == "failed") {
        std::string indented = "    ";
        for (char c : message) indented += c == '\n' ? std::string("\n    ") : std::string(1, c);
        std::printf("\n%s", indented.c_str());
      }
      std::printf("\n");
    }
    if (options->json) {
      PrintJson({{"file", db.Path()},
                 {"simlang", options->selection.simLanguage},
                 {"passed", passed},
                 {"failed", failed},
                 {"skipped", skipped},
                 {"models", list}});
    } else {
      std::printf("%zu model%s: %zu passed, %zu failed, %zu skipped\n", models.size(),
                  models.size() == 1 ? "" : "s", passed, failed, skipped);
    }
    return int(failed == 0 ? kExitOk : kExitFailure);
  };
}

}  // namespace zldb
