#include "reliability/library_check.h"

#include <set>

#include "engine/dao_database.h"
#include "engine/sqlite_seam.h"
#include "frame/handle_record.h"
#include "zldbctrl70.h"

namespace zlrel {
namespace {

using CTextMap = CMap<WORD, WORD, CString, LPCSTR>;

// Rows of a query that finds broken references; each is one problem.  The
// query runs on the engine's own connection, on a file or a server library.
void FindBroken(const std::string& path, const char* what, const std::string& sql,
                std::vector<std::string>& problems) {
  try {
    zl::engine::CSqlConnection conn;
    zl::engine::CSqlOpenOptions options;
    options.readOnly = true;
    conn.Open(path, options);
    zl::engine::CSqlQuery q(conn, sql);
    while (q.Step()) problems.push_back(std::string(what) + ": " + q.ColumnText(0));
  } catch (const zl::engine::CSqlFailure& failure) {
    problems.push_back(std::string(what) + ": " + failure.what());
  }
}

void CheckRecords(void* hDB, std::vector<std::string>& problems) {
  CTypedPtrArray<CPtrArray, COleVariant*> bookmarks;
  if (ZLGetAllBookmarks(hDB, bookmarks) != 1) {
    problems.push_back("bookmarks: error " + std::to_string(ZLGetLastError()));
    return;
  }
  std::set<long> ids;
  for (int i = 0; i < bookmarks.GetSize(); ++i) {
    long id = 0;
    if (ZLGetIDByBookmark(hDB, *bookmarks[i], id) == 1) ids.insert(id);
  }
  ZLFreeBookmarkArray(bookmarks);
  using LinkGetter = int (*)(void*, long, long&);
  const LinkGetter links[] = {ZLGetParentByID, ZLGetFirstChildByID, ZLGetPrevByID, ZLGetNextByID};
  for (long id : ids) {
    const std::string record = "record " + std::to_string(id);
    for (LinkGetter get : links) {
      long link = 0;
      const int result = get(hDB, id, link);
      if (result == 1 ? link != 0 && ids.count(link) == 0 : ZLGetLastError() != ZLE_NULL_VALUE) {
        problems.push_back(record + ": link to " + std::to_string(link) + " (error " +
                           std::to_string(result == 1 ? 0 : ZLGetLastError()) + ")");
      }
    }
    CTextMap titles, infos;
    if ((ZLGetTitleByID(hDB, id, titles, 0) != 1 && ZLGetLastError() != ZLE_NULL_VALUE) ||
        (ZLGetInfoByID(hDB, id, infos, 0) != 1 && ZLGetLastError() != ZLE_NULL_VALUE)) {
      problems.push_back(record + ": texts unreadable, error " + std::to_string(ZLGetLastError()));
    }
  }
}

}  // namespace

std::vector<std::string> CheckLibrary(const std::string& path) {
  std::vector<std::string> problems;
  void* hDB = ZLOpenDatabase(path.c_str(), eOpenReadOnly);
  if (hDB == nullptr) return {"open: error " + std::to_string(ZLGetLastError())};
  {
    zl::CHandleLock lock(hDB);
    try {
      for (const std::string& problem : lock.Record().database->CheckIntegrity()) {
        problems.push_back("integrity: " + problem);
      }
    } catch (...) {
      problems.push_back("integrity: the check failed");
    }
  }
  CheckRecords(hDB, problems);
  ZLCloseDatabase(hDB);
  // The tables the storage holds: a file's catalogue or the server schema's.
  const std::string tables =
      path.rfind("postgresql:", 0) == 0
          ? "SELECT CAST(tablename AS text) AS name FROM pg_tables WHERE schemaname = "
            "current_schema()"
          : "SELECT name FROM sqlite_master WHERE type = 'table'";
  for (const char* column : {"TITLE", "INFO"}) {
    const std::string sql = std::string("SELECT \"MODEL_ID\" FROM \"MAIN\" WHERE \"") + column +
                            "\" IS NOT NULL AND \"" + column +
                            "\" NOT IN (SELECT \"RES_ID\" FROM \"RESID\")";
    FindBroken(path, (std::string(column) + " names no resource ID, record").c_str(), sql.c_str(),
               problems);
  }
  FindBroken(path, "registered table missing",
             "SELECT \"TABNAME\" FROM \"RESINFO\" UNION ALL SELECT \"TABNAME\" FROM "
             "\"SIMTABINFO\" EXCEPT " +
                 tables,
             problems);
  std::string kinds;
  for (const char* prefix : {"STRINGTAB_", "KEYWORD_", "KEYWORDID_", "SYMBOLS_", "UNIT_", "CALL_",
                             "MACRO_", "ACCESS_", "PACKAGE_"}) {
    const std::string length = std::to_string(std::string(prefix).size());
    kinds += std::string(kinds.empty() ? "" : " OR ") + "substr(name, 1, " + length + ") = '" +
             prefix + "'";
  }
  FindBroken(path, "table not registered",
             "SELECT name FROM (" + tables + ") t WHERE (" + kinds +
                 ") EXCEPT SELECT \"TABNAME\" FROM \"RESINFO\" EXCEPT SELECT \"TABNAME\" FROM "
                 "\"SIMTABINFO\"",
             problems);
  return problems;
}

}  // namespace zlrel
