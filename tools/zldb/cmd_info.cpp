// Printing a database's properties.
#include <cstdio>
#include <string>

#include "commands.h"
#include "json_out.h"
#include "zldbctrl70.h"

namespace zldb {

int PrintInfo(void* hDB, bool json) {
  CString path, userVersion, info;
  ZLDBVersion version{};
  ZLDBStructVersion structure{};
  unsigned long state = 0;
  COleDateTime layoutDate, packageDate;
  if (!ZLGetDBName(hDB, path)) return ReportFailure("reading the file name");
  if (!ZLGetDatabaseVersion(hDB, version, structure)) return ReportFailure("reading the version");
  if (!ZLGetDatabaseState(hDB, state)) return ReportFailure("reading the state");
  if (!ZLGetUserVersion(hDB, userVersion)) return ReportFailure("reading the user version");
  if (!ZLGetDatabaseInfo(hDB, info)) return ReportFailure("reading the information text");
  if (!ZLGetLastLayoutChangeDate(hDB, layoutDate)) return ReportFailure("reading the layout date");
  if (!ZLGetPackageLastChangeDate(hDB, packageDate)) {
    return ReportFailure("reading the package date");
  }
  // A database without a stored login accepts any non-empty text; a stored
  // login is practically never this one.
  const bool hasLogin = ZLCheckDatabaseLogin(hDB, "\x01zldb-probe\x01") == 0;
  if (json) {
    JsonObject out;
    out.Add("file", path.GetString());
    out.Add("databaseVersion", static_cast<long>(version));
    out.Add("structureVersion", static_cast<long>(structure));
    out.Add("state", static_cast<long>(state));
    out.Add("userVersion", userVersion.GetString());
    out.Add("info", info.GetString());
    out.Add("hasLogin", hasLogin);
    out.Add("lastLayoutChange", layoutDate.Format().GetString());
    out.Add("lastPackageChange", packageDate.Format().GetString());
    std::printf("%s\n", out.Text().c_str());
    return 0;
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
  return 0;
}

}  // namespace zldb
