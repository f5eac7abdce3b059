// Removal of a library on a database server: what deleting the file is for a
// file library, which a server library has no other means for.
#include "engine/dao_database.h"
#include "engine/dao_errors.h"
#include "frame/database_name.h"
#include "frame/guard.h"
#include "frame/open_database.h"
#include "zldbctrl70/database.h"

namespace zl {
namespace {

ZLOutcome DeleteServerLibrary(const char* name) {
  ZLDatabaseName database;
  if (name == nullptr || !ResolveDatabaseName(name, database) || !database.m_bServer) {
    return ZLOutcome::Fail(ZLE_OPEN_FAILED);
  }
  // Only a database that opens as a library (the engine's bookkeeping and
  // the library's password) is touched; the removal then drops the tables
  // its bookkeeping names, and the bookkeeping.
  {
    CDaoDatabase library(CDaoWorkspace::GetDefault());
    const int code = OpenServerDatabase(library, database.m_szName, false, false);
    if (code != ZLE_OK) return ZLOutcome::Fail(code);
  }
  try {
    CDaoDatabase::DeleteServerLibrary(database.m_szName);
  } catch (const CDaoException& e) {
    // Opened here or elsewhere since: the engine's exclusive open lock
    // refuses, as an open file would be kept.
    if (e.m_scode == DaoScode(kDaoFileInUse) || e.m_scode == DaoScode(kDaoCannotLockFile) ||
        e.m_scode == DaoScode(kDaoLockedByUser)) {
      return ZLOutcome::Fail(ZLE_LOCKED);
    }
    throw;
  }
  return ZLOutcome::Ok();
}

}  // namespace
}  // namespace zl

int ZLDeleteServerLibrary(const char* name) {
  return zl::RunUnguarded([&] { return zl::DeleteServerLibrary(name); });
}
