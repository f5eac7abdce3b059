// The library's versions and the handle's file name.
#include "engine/dao_database.h"
#include "frame/guard.h"
#include "schema/layout.h"
#include "zldbctrl70/database.h"

ZLDBVersion GetZLDBCtrlDBVersion() { return static_cast<ZLDBVersion>(zl::kCurrentDatabaseVersion); }

ZLDBStructVersion GetZLDBCtrlStructVersion() {
  return static_cast<ZLDBStructVersion>(zl::kCurrentStructureVersion);
}

int GetZLDBCtrlVersion() {
  return zl::PackVersion(zl::kCurrentDatabaseVersion, zl::kCurrentStructureVersion);
}

int ZLGetDBName(void* hDB, CString& name) {
  return zl::RunGuardedRecordOnly(hDB, [&](zl::ZLHandleRecord& record) {
    // A server library is keyed by its full spelling, which connects; the
    // caller sees it without the password.
    name = CDaoDatabase::IsServerName(record.path)
               ? CDaoDatabase::CanonicalServerName(record.path, FALSE)
               : CString(record.path);
    return zl::ZLOutcome::OkKeepError();
  });
}

int ZLCloseDatabase(void* hDB) {
  bool destroy = false;
  const int result = zl::RunGuardedRecordOnly(hDB, [&](zl::ZLHandleRecord& record) {
    destroy = --record.referenceCount <= 0;
    return zl::ZLOutcome::Ok();
  });
  if (result == 0 || !destroy) return result;
  // The last reference is gone: the block is freed, so this step runs
  // without the handle's lock.
  return zl::RunUnguarded([&] { return zl::ZLOutcome::FromCode(zl::DestroyHandle(hDB)); });
}
