// zldb check FILE [--json]: the storage's integrity check and the library's
// own checks of the tree, the content tables and the registries.  Exits 1
// when anything is wrong.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "arguments.h"
#include "commands.h"
#include "database.h"
#include "json_out.h"
#include "progress.h"

namespace zldb {
namespace {

class CToolReport : public CZLCheckReport {
 public:
  explicit CToolReport(bool json) : m_json(json), m_progress("checking") {}

  void Fault(const char* kind, long recordID, const char* text) override {
    ++m_counts[kind];
    ++m_faults;
    if (m_json) {
      m_list.push_back({{"kind", kind}, {"record", recordID}, {"text", text}});
      return;
    }
    m_progress.Clear();
    std::printf("%-8s %s\n", kind, text);
  }

  void Progress(const char* stage, long done, long total) override {
    if (m_stage != stage) {
      m_stage = stage;
      m_progress.SetLabel("checking " + m_stage, total);
    }
    m_progress.Step(done);
  }

  void ClearProgress() { m_progress.Clear(); }

  long Faults() const { return m_faults; }
  const Json& List() const { return m_list; }
  const std::map<std::string, long>& Counts() const { return m_counts; }

 private:
  const bool m_json;
  CProgress m_progress;
  std::string m_stage;
  long m_faults = 0;
  Json m_list = Json::array();
  std::map<std::string, long> m_counts;
};

}  // namespace

Runner AddCheck(CLI::App& command) {
  auto options = AddFileAndJson(command);
  command.footer(
      "Reports each fault as KIND TEXT (storage, tree, links, content, registry) and exits 1 "
      "when there is any.  The file is only read.");
  return [options] {
    CToolReport report(options->json);
    const int ran = ZLCheckDatabase(options->file.c_str(), report);
    report.ClearProgress();
    if (ran != 1) return PrintLibraryFailure(options->file, "check");
    Json out;
    out["file"] = options->file;
    out["ok"] = report.Faults() == 0;
    Json counts = Json::object();
    for (const char* kind : {"storage", "tree", "links", "content", "registry"}) {
      const auto it = report.Counts().find(kind);
      counts[kind] = it == report.Counts().end() ? 0 : it->second;
    }
    out["counts"] = counts;
    out["faults"] = report.List();
    const long faults = report.Faults();
    return PrintResult(
        options->json, out,
        [&](const Json&) {
          if (faults == 0) {
            std::printf("%s: no faults\n", options->file.c_str());
          } else {
            std::printf("%s: %ld %s\n", options->file.c_str(), faults,
                        faults == 1 ? "fault" : "faults");
          }
        },
        faults == 0 ? kExitOk : kExitFailure);
  };
}

}  // namespace zldb
