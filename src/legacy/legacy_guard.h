// The entry step of every legacy export: validate and pin the legacy
// handle, run the body inside one transaction on the handle's file
// (committed when the body succeeds, rolled back otherwise, so a failed
// write leaves the file as it was), map any exception to a legacy code,
// unpin, and set the legacy last error.  Bodies return a legacy code (0 for
// success) and never set the last error themselves.
//
// The legacy last error is separate from the current interface's; calls
// still run one at a time with every other call into the library.
#ifndef ZLDBCTRL70_LEGACY_LEGACY_GUARD_H_
#define ZLDBCTRL70_LEGACY_LEGACY_GUARD_H_

#include <mutex>
#include <utility>

#include "frame/guard.h"
#include "legacy/legacy_handle.h"
#include "zldbctrl70/legacy.h"

class CDaoDatabase;

namespace zl::legacy {

void SetLegacyLastError(int code);
int LegacyLastError();

// The legacy code for an exception caught at an export's edge: memory
// exhaustion 5, anything else (engine errors included) 8.  Call from a
// catch block.
int LegacyCodeForCurrentException();

enum class ELegacyAccess { kRead, kWrite };

// One transaction on a file for the life of the object: a writing level
// when the access asks for it and the database can be written, else a
// reading level (one committed state).  Rolled back unless End(true).
class CLegacyTransaction {
 public:
  CLegacyTransaction(CDaoDatabase& database, ELegacyAccess access);
  ~CLegacyTransaction();
  CLegacyTransaction(const CLegacyTransaction&) = delete;
  CLegacyTransaction& operator=(const CLegacyTransaction&) = delete;
  // Commits (succeeded) or rolls back; engine errors of the commit
  // propagate and the destructor then rolls back.
  void End(bool succeeded);

 private:
  CDaoDatabase& m_database;
  bool m_open = false;
};

// Runs body(record) for a valid legacy handle in one transaction; 6 for a
// handle that is not an open legacy handle.  Returns 1 or 0.
template <typename Body>
int RunLegacy(ELegacyAccess access, void* hDB, Body&& body) {
  std::lock_guard<std::recursive_mutex> oneCallAtATime(OperationMutex());
  int code = LZLE_BAD_HANDLE;
  try {
    CLegacyLock lock(hDB);
    if (lock.IsValid()) {
      CLegacyTransaction transaction(*lock.Record().database, access);
      code = std::forward<Body>(body)(lock.Record());
      transaction.End(code == LZLE_OK);
    }
  } catch (...) {
    code = LegacyCodeForCurrentException();
  }
  SetLegacyLastError(code);
  return code == LZLE_OK ? 1 : 0;
}

template <typename Body>
int RunLegacyRead(void* hDB, Body&& body) {
  return RunLegacy(ELegacyAccess::kRead, hDB, std::forward<Body>(body));
}

template <typename Body>
int RunLegacyWrite(void* hDB, Body&& body) {
  return RunLegacy(ELegacyAccess::kWrite, hDB, std::forward<Body>(body));
}

// Runs body(code) for an entry that makes a handle (body returns the handle
// and sets code); an exception gives null with its code.
template <typename Body>
void* RunLegacyCreating(Body&& body) {
  std::lock_guard<std::recursive_mutex> oneCallAtATime(OperationMutex());
  int code = LZLE_ENGINE;
  void* handle = nullptr;
  try {
    handle = std::forward<Body>(body)(code);
  } catch (...) {
    handle = nullptr;
    code = LegacyCodeForCurrentException();
  }
  if (handle == nullptr && code == LZLE_OK) code = LZLE_ENGINE;
  SetLegacyLastError(handle != nullptr ? LZLE_OK : code);
  return handle;
}

}  // namespace zl::legacy

#endif  // ZLDBCTRL70_LEGACY_LEGACY_GUARD_H_
