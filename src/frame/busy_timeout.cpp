// The process-wide wait for another process's lock.
#include <climits>

#include "engine/dao_workspace.h"
#include "frame/guard.h"
#include "zldbctrl70/database.h"

namespace {

zl::ZLOutcome SetBusyTimeout(long milliseconds) {
  if (milliseconds < 0 || milliseconds > INT_MAX) return zl::ZLOutcome::Fail(ZLE_ENGINE);
  CDaoWorkspace::SetBusyTimeout(static_cast<int>(milliseconds));
  return zl::ZLOutcome::Ok();
}

}  // namespace

int ZLSetBusyTimeout(void* hDB, long lMilliseconds) {
  return zl::RunGuardedRecordOnly(
      hDB, [&](zl::ZLHandleRecord&) { return SetBusyTimeout(lMilliseconds); });
}
