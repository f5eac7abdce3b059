// zldb query FILE [--defname P] [--title P [--lang L]] [--keyword P]
// [--created-from D] [--created-to D] [--wildcards] [--ignore-case] [--json]:
// the records and parameter sets that meet every criterion given.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>

#include "arguments.h"
#include "commands.h"
#include "json_out.h"
#include "model_tree.h"

namespace zldb {
namespace {

struct Hit {
  long id;
  long paramSet;
  std::string path;
  std::string title;  // empty when the candidate has none in the language
};

// "YYYY-MM-DD" or "YYYY-MM-DD HH:MM[:SS]"; a date alone as an upper limit
// means the end of that day.  An error text, or "".
std::string ParseDate(const std::string& text, bool upper, COleDateTime& date) {
  if (!date.ParseDateTime(text.c_str())) {
    return "'" + text + "' is not a date (YYYY-MM-DD or 'YYYY-MM-DD HH:MM:SS')";
  }
  if (upper && text.find_first_of(" T:") == std::string::npos) {
    date.SetDateTime(date.GetYear(), date.GetMonth(), date.GetDay(), 23, 59, 59);
  }
  return "";
}

bool ReadHit(CDatabase& db, const CZLFindObject& found, WORD language, Hit& hit) {
  void* hDB = db.Handle();
  if (!db.Run("reading a record ID",
              [&] { return ZLGetIDByBookmark(hDB, found.m_varBookmark, hit.id); })) {
    return false;
  }
  hit.paramSet = found.m_lParamSetID;
  CString path;
  if (!db.Run("reading the path", [&] { return ZLGetPathByID(hDB, hit.id, language, path); })) {
    return false;
  }
  hit.path = path.GetString();
  CString title;
  if (ZLGetTitleByID(hDB, hit.id, language, title, hit.paramSet)) {
    hit.title = title.GetString();
  } else if (ZLGetLastError() != ZLE_NULL_VALUE && ZLGetLastError() != ZLE_NO_RESOURCE_TEXT) {
    db.ReportFailure("reading a title");
    return false;
  }
  return true;
}

}  // namespace

Runner AddQuery(CLI::App& command) {
  struct Options {
    std::string file, defName, title, keyword, createdFrom, createdTo;
    WORD language = 0;
    bool wildcards = false, ignoreCase = false, json = false;
  };
  auto options = std::make_shared<Options>();
  AddFileArgument(command, options->file);
  CLI::Option* defName =
      command.add_option("--defname", options->defName, "the definition name")->type_name("P");
  CLI::Option* title =
      command.add_option("--title", options->title, "the title (in --lang, else in any language)")
          ->type_name("P");
  CLI::Option* keyword =
      command.add_option("--keyword", options->keyword, "a keyword, in any language")
          ->type_name("P");
  CLI::Option* from =
      command.add_option("--created-from", options->createdFrom, "created on or after this date")
          ->type_name("DATE");
  CLI::Option* to =
      command.add_option("--created-to", options->createdTo, "created on or before this date")
          ->type_name("DATE");
  command.add_flag("--wildcards", options->wildcards,
                   "P is a pattern: * any run of characters, ? one character");
  command.add_flag("--ignore-case", options->ignoreCase, "compare without regard to case");
  AddLanguageOption(command, options->language);
  AddJsonFlag(command, options->json);
  command.footer(
      "Every record is a candidate, and so is every parameter set of a record (with its own\n"
      "title and keywords; definition name and dates are the record's).  A hit is printed as\n"
      "#ID, the parameter set (0 for the record itself), the path (- at the top level) and\n"
      "the title in --lang.\n"
      "DATE is YYYY-MM-DD or 'YYYY-MM-DD HH:MM:SS'; both limits are inclusive, and a date\n"
      "alone as --created-to means the end of that day.  Without criteria every candidate hits.");
  return [options, defName, title, keyword, from, to] {
    CZLQueryObject query;
    if (defName->count() > 0) query.SetName(options->defName.c_str());
    if (title->count() > 0) query.SetTitle(options->title.c_str(), options->language);
    if (keyword->count() > 0) query.SetKeyword(options->keyword.c_str(), 0);
    if (from->count() > 0) {
      COleDateTime date;
      const std::string error = ParseDate(options->createdFrom, false, date);
      if (!error.empty()) return UsageError("query", "--created-from: " + error);
      query.SetFirstCreationDate(date);
    }
    if (to->count() > 0) {
      COleDateTime date;
      const std::string error = ParseDate(options->createdTo, true, date);
      if (!error.empty()) return UsageError("query", "--created-to: " + error);
      query.SetLastCreationDate(date);
    }
    query.SetUseWildcardsFlag(options->wildcards);
    query.SetIgnoreCaseFlag(options->ignoreCase);
    CDatabase db;
    if (!db.Open(options->file, eOpenReadOnly)) return int(kExitFailure);
    WORD language = options->language;
    if (!ResolveLanguage(db, language)) return int(kExitFailure);
    if (!db.Run("searching", [&] { return query.DoQuery(db.Handle()); })) {
      return int(kExitFailure);
    }
    Json hits = Json::array();
    for (int i = 0; i < query.m_arrResults.GetSize(); ++i) {
      Hit hit;
      if (!ReadHit(db, *query.m_arrResults[i], language, hit)) return int(kExitFailure);
      if (options->json) {
        Json h;
        h["id"] = hit.id;
        h["paramSet"] = hit.paramSet;
        h["path"] = hit.path;
        h["title"] = hit.title.empty() ? Json(nullptr) : Json(hit.title);
        hits.push_back(h);
      } else {
        std::printf("#%ld  set %ld  %s  %s\n", hit.id, hit.paramSet,
                    hit.path.empty() ? "-" : hit.path.c_str(),
                    hit.title.empty() ? "(no title)" : hit.title.c_str());
      }
    }
    if (options->json) {
      Json out;
      out["language"] = language;
      out["hits"] = hits;
      PrintJson(out);
    } else if (query.m_arrResults.GetSize() == 0) {
      std::printf("(no hits)\n");
    }
    return int(kExitOk);
  };
}

}  // namespace zldb
