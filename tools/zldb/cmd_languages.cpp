// zldb info / languages / add-language / add-simtable.
#include <cstdio>
#include <string>

#include "commands.h"
#include "json_out.h"
#include "zldbctrl70.h"

namespace zldb {
namespace {

struct SimKind {
  const char* name;
  int (*list)(void*, CStringArray&);
  int (*isExclusive)(void*, const char*, int&);
};

const SimKind kSimKinds[] = {
    {"call", ZLGetAvailableCallSimLanguages, ZLIsExclusiveCallTable},
    {"macro", ZLGetAvailableMacroSimLanguages, ZLIsExclusiveMacroTable},
    {"access", ZLGetAvailableAccessSimLanguages, nullptr},
    {"package", ZLGetAvailablePackageSimLanguages, nullptr},
};

}  // namespace

int RunInfo(const Args& argsIn) {
  Args args = argsIn;
  const bool json = TakeFlag(args, "--json");
  if (args.size() != 1) {
    std::fprintf(stderr, "usage: zldb info FILE [--json]\n");
    return 2;
  }
  void* hDB = OpenOrReport(args[0], eOpenReadOnly);
  if (hDB == nullptr) return 1;
  const int status = PrintInfo(hDB, json);
  ZLCloseDatabase(hDB);
  return status;
}

int RunLanguages(const Args& argsIn) {
  Args args = argsIn;
  const bool json = TakeFlag(args, "--json");
  if (args.size() != 1) {
    std::fprintf(stderr, "usage: zldb languages FILE [--json]\n");
    return 2;
  }
  void* hDB = OpenOrReport(args[0], eOpenReadOnly);
  if (hDB == nullptr) return 1;
  int status = 0;
  CArray<WORD, WORD> languages;
  std::string resourceJson = "[";
  if (!ZLGetAvailableResourceLanguages(hDB, languages)) {
    status = ReportFailure("listing the resource languages");
  } else if (!json) {
    std::printf("resource languages:\n");
    if (languages.GetSize() == 0) std::printf("  (none)\n");
  }
  for (int i = 0; status == 0 && i < languages.GetSize(); ++i) {
    if (json) {
      resourceJson += (i > 0 ? "," : "") + std::to_string(languages[i]);
    } else {
      std::printf("  %u (0x%04x)\n", languages[i], languages[i]);
    }
  }
  resourceJson += "]";
  std::string simJson = "[";
  bool firstSim = true;
  if (status == 0 && !json) std::printf("simulator-language tables:\n");
  bool anySim = false;
  for (const SimKind& kind : kSimKinds) {
    if (status != 0) break;
    CStringArray sims;
    if (!kind.list(hDB, sims)) {
      status = ReportFailure("listing the simulator languages");
      break;
    }
    for (int i = 0; i < sims.GetSize(); ++i) {
      anySim = true;
      int exclusive = 1;  // access and package tables are always exclusive
      if (kind.isExclusive != nullptr && !kind.isExclusive(hDB, sims[i], exclusive)) {
        status = ReportFailure("reading the exclusive flag");
        break;
      }
      if (json) {
        JsonObject entry;
        entry.Add("language", sims[i].GetString());
        entry.Add("kind", kind.name);
        entry.Add("exclusive", exclusive != 0);
        simJson += (firstSim ? "" : ",") + entry.Text();
        firstSim = false;
      } else {
        std::printf("  %-12s %-8s%s\n", sims[i].GetString(), kind.name,
                    exclusive ? " exclusive" : "");
      }
    }
  }
  simJson += "]";
  if (status == 0 && !json && !anySim) std::printf("  (none)\n");
  if (status == 0 && json) {
    JsonObject out;
    out.AddRaw("resourceLanguages", resourceJson);
    out.AddRaw("simulatorTables", simJson);
    std::printf("%s\n", out.Text().c_str());
  }
  ZLCloseDatabase(hDB);
  return status;
}

int RunAddLanguage(const Args& args) {
  WORD language = 0;
  if (args.size() != 2 || !ParseLanguage(args[1], language)) {
    std::fprintf(stderr, "usage: zldb add-language FILE LANGID   (e.g. 1033 or 0x0409)\n");
    return 2;
  }
  void* hDB = OpenOrReport(args[0], eOpenReadWriteNoLogin);
  if (hDB == nullptr) return 1;
  int status = 0;
  if (!ZLAddResourceTable(hDB, language)) {
    status = ReportFailure("adding the language");
  } else if (ZLGetLastError() == ZLE_LANGUAGE_EXISTS) {
    std::printf("language %u already present\n", language);
  } else {
    std::printf("language %u added\n", language);
  }
  ZLCloseDatabase(hDB);
  return status;
}

int RunAddSimTable(const Args& argsIn) {
  Args args = argsIn;
  const bool exclusive = TakeFlag(args, "--exclusive");
  const SimKind* kind = nullptr;
  if (args.size() == 3) {
    for (const SimKind& k : kSimKinds) {
      if (args[1] == k.name) kind = &k;
    }
  }
  if (kind == nullptr) {
    std::fprintf(stderr,
                 "usage: zldb add-simtable FILE call|macro|access|package LANG [--exclusive]\n");
    return 2;
  }
  void* hDB = OpenOrReport(args[0], eOpenReadWriteNoLogin);
  if (hDB == nullptr) return 1;
  const char* lang = args[2].c_str();
  int ok = 0;
  switch (kind - kSimKinds) {
    case 0:
      ok = ZLAddCallTable(hDB, lang, exclusive ? 1 : 0);
      break;
    case 1:
      ok = ZLAddMacroTable(hDB, lang, exclusive ? 1 : 0);
      break;
    case 2:
      ok = ZLAddAccessTable(hDB, lang);
      break;
    default:
      ok = ZLAddPackageTable(hDB, lang);
      break;
  }
  const int status = ok ? 0 : ReportFailure("adding the table");
  if (ok) std::printf("%s table for %s added\n", kind->name, lang);
  ZLCloseDatabase(hDB);
  return status;
}

}  // namespace zldb
