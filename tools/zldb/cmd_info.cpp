// zldb info FILE [--json]: a database's versions, state and texts.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>

#include "arguments.h"
#include "commands.h"
#include "info.h"
#include "json_out.h"

namespace zldb {

int PrintInfo(CDatabase& db, bool json) {
  void* hDB = db.Handle();
  CString path, userVersion, info;
  ZLDBVersion version{};
  ZLDBStructVersion structure{};
  unsigned long state = 0;
  COleDateTime layoutDate, packageDate;
  if (!db.Run("reading the file name", [&] { return ZLGetDBName(hDB, path); }) ||
      !db.Run("reading the version",
              [&] { return ZLGetDatabaseVersion(hDB, version, structure); }) ||
      !db.Run("reading the state", [&] { return ZLGetDatabaseState(hDB, state); }) ||
      !db.Run("reading the user version", [&] { return ZLGetUserVersion(hDB, userVersion); }) ||
      !db.Run("reading the information text", [&] { return ZLGetDatabaseInfo(hDB, info); }) ||
      !db.Run("reading the layout date",
              [&] { return ZLGetLastLayoutChangeDate(hDB, layoutDate); }) ||
      !db.Run("reading the package date",
              [&] { return ZLGetPackageLastChangeDate(hDB, packageDate); })) {
    return kExitFailure;
  }
  // A database without a stored login accepts any non-empty text; a stored
  // login is practically never this one.
  const bool hasLogin = ZLCheckDatabaseLogin(hDB, "\x01zldb-probe\x01") == 0;
  if (json) {
    Json out;
    out["file"] = path.GetString();
    out["databaseVersion"] = static_cast<int>(version);
    out["structureVersion"] = static_cast<int>(structure);
    out["state"] = state;
    out["userVersion"] = userVersion.GetString();
    out["info"] = info.GetString();
    out["hasLogin"] = hasLogin;
    out["lastLayoutChange"] = layoutDate.Format().GetString();
    out["lastPackageChange"] = packageDate.Format().GetString();
    PrintJson(out);
    return kExitOk;
  }
  std::printf("file:                %s\n", path.GetString());
  std::printf("database version:    %d\n", static_cast<int>(version));
  std::printf("structure version:   %d\n", static_cast<int>(structure));
  std::printf("state:               %lu\n", state);
  std::printf("user version:        %s\n", userVersion.GetString());
  std::printf("information:         %s\n", info.GetString());
  std::printf("login:               %s\n", hasLogin ? "yes" : "no");
  std::printf("last layout change:  %s\n", layoutDate.Format().GetString());
  std::printf("last package change: %s\n", packageDate.Format().GetString());
  return kExitOk;
}

Runner AddInfo(CLI::App& command) {
  auto options = AddFileAndJson(command);
  return [options] {
    CDatabase db;
    if (!db.Open(options->file, eOpenReadOnly)) return int(kExitFailure);
    return PrintInfo(db, options->json);
  };
}

}  // namespace zldb
