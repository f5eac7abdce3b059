// Caller transactions: levels of the handle's file transaction that the
// caller begins and ends (the operations' own levels nest inside them).
#include "engine/dao_database.h"
#include "frame/guard.h"
#include "zldbctrl70/database.h"

using zl::ZLHandleRecord;
using zl::ZLOutcome;

int ZLBeginTransaction(void* hDB) {
  return zl::RunGuardedRecordOnly(hDB, [&](ZLHandleRecord& record) {
    try {
      // The transaction is the handle's picture while it is open.
      zl::ReleaseSnapshot(record);
      record.database->BeginFileTrans(TRUE);
    } catch (...) {
      return ZLOutcome::Fail(zl::CodeForBeginFailure());
    }
    ++record.callerTransactions;
    return ZLOutcome::Ok();
  });
}

int ZLCommitTransaction(void* hDB) {
  return zl::RunGuardedRecordOnly(hDB, [&](ZLHandleRecord& record) {
    if (record.callerTransactions <= 0) return ZLOutcome::Fail(ZLE_NO_TRANSACTION);
    record.database->CommitFileTrans();
    --record.callerTransactions;
    return ZLOutcome::Ok();
  });
}

int ZLRollbackTransaction(void* hDB) {
  return zl::RunGuardedRecordOnly(hDB, [&](ZLHandleRecord& record) {
    if (record.callerTransactions <= 0) return ZLOutcome::Fail(ZLE_NO_TRANSACTION);
    --record.callerTransactions;
    record.database->RollbackFileTrans();
    // Language tables added or removed inside may be back as they were.
    zl::ForgetLanguageTables(record);
    return ZLOutcome::Ok();
  });
}
