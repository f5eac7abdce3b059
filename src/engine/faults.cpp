#include "engine/faults.h"

#include "zldbctrl70/platform/exceptions.h"

namespace zl::engine {

namespace {

struct FaultState {
  long count[3] = {0, 0, 0};   // operations seen since Reset
  long failAt[3] = {0, 0, 0};  // absolute count that fails, 0 = disarmed
  FaultError error[3] = {FaultError::kDiskError, FaultError::kDiskError, FaultError::kDiskError};
};

FaultState& State() {
  static FaultState state;
  return state;
}

}  // namespace

void CFaultInjector::FailNth(FaultKind kind, int n, FaultError error) {
  FaultState& s = State();
  int k = static_cast<int>(kind);
  s.failAt[k] = n > 0 ? s.count[k] + n : 0;
  s.error[k] = error;
}

void CFaultInjector::Reset() { State() = FaultState(); }

long CFaultInjector::Count(FaultKind kind) { return State().count[static_cast<int>(kind)]; }

bool CFaultInjector::Hit(FaultKind kind) {
  FaultState& s = State();
  int k = static_cast<int>(kind);
  ++s.count[k];
  if (s.failAt[k] != 0 && s.count[k] == s.failAt[k]) {
    s.failAt[k] = 0;
    return true;
  }
  return false;
}

FaultError CFaultInjector::ErrorOf(FaultKind kind) { return State().error[static_cast<int>(kind)]; }

void CFaultInjector::OnAllocation() {
  if (Hit(FaultKind::kAllocation)) throw CMemoryException();
}

}  // namespace zl::engine
