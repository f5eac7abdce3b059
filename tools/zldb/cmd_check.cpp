// zldb check FILE [--json]: the storage's integrity check and the library's
// own checks of the tree, the content tables and the registries.  Exits 1
// when anything is wrong.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "arguments.h"
#include "commands.h"
#include "database.h"
#include "json_out.h"

namespace zldb {
namespace {

class CToolReport : public CZLCheckReport {
 public:
  explicit CToolReport(bool json) : m_json(json), m_progress(::isatty(STDOUT_FILENO) != 0) {}

  void Fault(const char* kind, long recordID, const char* text) override {
    ++m_counts[kind];
    ++m_faults;
    if (m_json) {
      m_list.push_back({{"kind", kind}, {"record", recordID}, {"text", text}});
      return;
    }
    ClearProgress();
    std::printf("%-8s %s\n", kind, text);
  }

  void Progress(const char* stage, long done, long total) override {
    if (!m_progress) return;
    std::fprintf(stderr, "\rchecking %s %ld/%ld ", stage, done, total);
    m_shown = true;
  }

  void ClearProgress() {
    if (!m_shown) return;
    std::fprintf(stderr, "\r%40s\r", "");
    m_shown = false;
  }

  long Faults() const { return m_faults; }
  const Json& List() const { return m_list; }
  const std::map<std::string, long>& Counts() const { return m_counts; }

 private:
  const bool m_json;
  const bool m_progress;
  bool m_shown = false;
  long m_faults = 0;
  Json m_list = Json::array();
  std::map<std::string, long> m_counts;
};

}  // namespace

Runner AddCheck(CLI::App& command) {
  struct Options {
    std::string file;
    bool json = false;
  };
  auto options = std::make_shared<Options>();
  AddFileArgument(command, options->file);
  AddJsonFlag(command, options->json);
  command.footer(
      "Reports each fault as KIND TEXT (storage, tree, links, content, registry) and exits 1 "
      "when there is any.  The file is only read.");
  return [options] {
    CToolReport report(options->json);
    const int ran = ZLCheckDatabase(options->file.c_str(), report);
    report.ClearProgress();
    if (ran != 1) {
      const int code = ZLGetLastError();
      PrintError(options->file + ": check failed: " + ZLGetErrorText(code) + " (" +
                 std::to_string(code) + ")");
      return int(kExitFailure);
    }
    if (options->json) {
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
      PrintJson(out);
    } else if (report.Faults() == 0) {
      std::printf("%s: no faults\n", options->file.c_str());
    } else {
      std::printf("%s: %ld %s\n", options->file.c_str(), report.Faults(),
                  report.Faults() == 1 ? "fault" : "faults");
    }
    return int(report.Faults() == 0 ? kExitOk : kExitFailure);
  };
}

}  // namespace zldb
